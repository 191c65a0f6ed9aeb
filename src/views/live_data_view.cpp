#include "views/live_data_view.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <utility>

#include "common/user_prompt.h"
#include "gui_base/latin1.h"
#include "monitoring/reply_words.h"

namespace zvr {

CLiveDataView::CLiveDataView(CDataServer& document, UserPrompt& prompt,
                             std::function<void()> configure, QWidget* parent)
    : CFormView(document, parent),
      prompt_(prompt),
      start_(new QPushButton(QStringLiteral("&Start"), this)),
      configure_(new QPushButton(QStringLiteral("&Configure"), this)),
      list_(new QTreeWidget(this)) {
    start_->setToolTip(QStringLiteral("Starts and stops reading from the ECM"));
    configure_->setToolTip(
        QStringLiteral("Opens the Parameter List view to set items on this diplay."));
    configure_->setEnabled(static_cast<bool>(configure));
    connect(start_, &QPushButton::clicked, this, [this] {
        resumeWhenBack_ = false;  // the user has decided
        OnStartStop();
    });
    connect(configure_, &QPushButton::clicked, this, [configure] { configure(); });

    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setFixedSize(280, 250);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(start_);
    buttons->addWidget(configure_);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    layout->addStretch();
}

CLiveDataView::~CLiveDataView() {
    timeout_.Close();
    if (running_) Stop();
}

void CLiveDataView::OnInitialUpdate() {
    SetFrameCaption(QStringLiteral("Parameter View"));
    list_->setHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("Value"), QStringLiteral("Units")});
    list_->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    list_->setColumnWidth(0, 100);
    list_->setColumnWidth(1, 125);
    list_->setColumnWidth(2, 50);
    BuildRows();
    ResizeFrame(450, 338);
    OnStartStop();  // starting runs the quiet-the-link step
}

void CLiveDataView::BuildRows() {
    list_->clear();
    rows_ = BuildLiveRows(document_.definitions);
    addresses_.clear();
    for (const LiveRow& row : rows_) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, ToQ(row.item->name));
        item->setText(2, ToQ(row.variable->units));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        addresses_.push_back(static_cast<uint16_t>(row.variable->ramAddress));
    }
}

void CLiveDataView::Stop() {
    running_ = false;
    document_.RequestStop();
}

void CLiveDataView::OnStartStop() {
    if (running_) {
        Stop();
        start_->setText(QStringLiteral("Start"));
        // Stopped before its first values (by another window taking the link), the button
        // would otherwise stay disabled for good.
        start_->setEnabled(true);
        for (int i = 0; i < list_->topLevelItemCount(); ++i) {
            list_->topLevelItem(i)->setText(1, QStringLiteral(" "));
        }
        return;
    }
    timeout_.Close();
    document_.QuietTheLink();
    start_->setEnabled(false);
    start_->setText(QStringLiteral("Stop"));
    if (document_.RequestReadVariables(addresses_, ForRequest(), kValuesArrived, kReadFailed) !=
        0) {
        prompt_.plain("Could not start");
        // The view stays usable: it can be started again.
        start_->setText(QStringLiteral("Start"));
        start_->setEnabled(true);
        return;
    }
    running_ = true;
}

void CLiveDataView::OnMessage(const PostedMessage& message) {
    switch (message.message) {
        case kValuesArrived:
            ValuesArrived();
            break;
        case kReadFailed:
            ReadFailed();
            break;
        case kRetry:
            timeout_.Close();
            OnStartStop();
            break;
        case kRetryCancelled:
            timeout_.Close();
            break;
        default:
            break;
    }
}

void CLiveDataView::ValuesArrived() {
    if (!running_) return;
    const auto words = document_.RequestValues();
    for (size_t i = 0; i < rows_.size() && i < words.size(); ++i) {
        VariableDef& variable = *rows_[i].variable;
        variable.setCurrentValue(RawFromWord(words[i], variable.scaling.size));
        list_->topLevelItem(static_cast<int>(i))->setText(1, ToQ(variable.currentText));
    }
    start_->setEnabled(true);
    emit valuesShown();
}

void CLiveDataView::ReadFailed() {
    // A failure of a read this view has stopped (another window took the link since) must
    // not start it again.
    if (!running_) return;
    OnStartStop();
    start_->setEnabled(true);
    timeout_.Open(
        this,
        [this] {
            OnMessage({kRetry, 0, 0});
        },
        [this] {
            OnMessage({kRetryCancelled, 0, 0});
        });
}

void CLiveDataView::OnUpdate(int hint) {
    if (hint == kHintStopReading || hint == kHintLinkLost) {
        if (!running_) return;
        // Another window taking the link keeps it; a lost link is read from again once back.
        resumeWhenBack_ = hint == kHintLinkLost;
        OnStartStop();
    } else if (hint == kHintLinkBack) {
        if (std::exchange(resumeWhenBack_, false) && !running_) OnStartStop();
    } else if (hint == kHintViewItemsChanged) {
        Rebuild();
    }
}

void CLiveDataView::OnDefinitionsEdited(const DefinitionEdit& edit) {
    // A row keeps its variable only until the table changes.
    if (!released_ && edit.table == DefinitionEdit::Table::Variables) Rebuild();
}

void CLiveDataView::Rebuild() {
    const bool wasRunning = running_;
    if (wasRunning) OnStartStop();
    BuildRows();
    if (wasRunning) OnStartStop();
}

void CLiveDataView::ReleaseDefinitions() {
    timeout_.Close();
    if (running_) Stop();
    rows_.clear();
    addresses_.clear();
    list_->clear();
}

void CLiveDataView::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape) {
        CFormView::keyPressEvent(event);
        return;
    }
    if (running_) OnStartStop();
    CloseFrame();
}

}  // namespace zvr
