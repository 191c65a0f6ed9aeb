#include "views/help_browser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "monitoring/help_topics.h"

namespace zvr {

CHelpBrowser::CHelpBrowser(QString directory, QWidget* parent)
    : QWidget(parent, Qt::Window),
      directory_(std::move(directory)),
      browser_(new QTextBrowser(this)) {
    setWindowTitle(QStringLiteral("ZVR Help"));
    browser_->setOpenLinks(true);
    if (!directory_.isEmpty()) browser_->setSearchPaths({directory_});
    auto* back = new QPushButton(QStringLiteral("Back"), this);
    auto* contents = new QPushButton(QStringLiteral("Contents"), this);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(contents, &QPushButton::clicked, this, &CHelpBrowser::ShowContents);
    back->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);
    resize(640, 520);
}

void CHelpBrowser::Open(const QString& page) {
    const QString path = QDir(directory_).filePath(page);
    if (directory_.isEmpty() || !QFileInfo::exists(path)) {
        browser_->setPlainText(QStringLiteral("The help pages were not found (%1).").arg(page));
        return;
    }
    browser_->setSource(QUrl::fromLocalFile(path));
}

void CHelpBrowser::ShowContext(int context) { Open(QString::fromStdString(HelpPageFor(context))); }

void CHelpBrowser::ShowContents() { Open(QString::fromLatin1(kHelpContentsPage)); }

QString HelpDirectory() {
    QStringList candidates;
    const QString data = qEnvironmentVariable("ZVR_DATA_DIR");
    if (!data.isEmpty()) candidates << data + QStringLiteral("/help");
    candidates << QCoreApplication::applicationDirPath() + QStringLiteral("/../share/zvr/help");
    for (const QString& candidate : candidates) {
        if (QFileInfo::exists(candidate + QStringLiteral("/") +
                              QString::fromLatin1(kHelpContentsPage))) {
            return QDir(candidate).canonicalPath();
        }
    }
    return {};
}

namespace {

CHelpBrowser* HelpWindow(QWidget* parent) {
    static QPointer<CHelpBrowser> window;
    if (!window) {
        window = new CHelpBrowser(HelpDirectory(), parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    return window;
}

}  // namespace

void ShowHelp(int context, QWidget* parent) { HelpWindow(parent)->ShowContext(context); }

void ShowHelpContents(QWidget* parent) { HelpWindow(parent)->ShowContents(); }

}  // namespace zvr
