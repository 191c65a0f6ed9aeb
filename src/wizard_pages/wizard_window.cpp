#include "wizard_pages/wizard_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "calfile/cal_transfer_dialog.h"
#include "gui_base/latin1.h"
#include "wizard_pages/process_dialog.h"

namespace zvr {

namespace {

constexpr int kDescriptionWidth = 172;
constexpr int kSelectionWidth = 150;
constexpr int kUnitsWidth = 60;

// A window text with "->" (a menu path: "Calibrate->Change Calibration") is kept on one line
// there: a word joiner on either side of the hyphen leaves the line no place to break.
QString Unbroken(QString text) {
    text.replace(QStringLiteral("->"), QStringLiteral("\u2060-\u2060>"));
    return text;
}

// A live control whose label ends in a colon is a value box beside its label; one without is
// a check box carrying its own text (the idle switch's state).
bool LiveIsCheck(const WizardField& field) {
    return field.label.empty() || field.label.back() != ':';
}

}  // namespace

CWizardWindow::CWizardWindow(WizardWindowLinks links, const WizardSheetMaker& make, QWidget* parent)
    : QDialog(parent),
      links_(std::move(links)),
      channel_(this,
               [this](const PostedMessage& message) {
                   if (sheet_) sheet_->Handle(message);
                   AfterAction();
               }),
      transfer_(new CCalTransferDlg(links_.link, links_.prompt, this)),
      process_(new CProcessDlg(
          [this](ProcessAnswer answer) {
              sheet_->AnswerProcess(answer);
              AfterAction();
          },
          this)),
      heading_(new QLabel(this)),
      formArea_(new QWidget(this)),
      summary_(new QTreeWidget(this)),
      back_(new QPushButton(QStringLiteral("< Back"), this)),
      next_(new QPushButton(QStringLiteral("Next >"), this)),
      finish_(new QPushButton(QStringLiteral("Finish"), this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)),
      retain_(new QPushButton(QStringLiteral("Retain Current Values"), this)) {
    QFont bold = heading_->font();
    bold.setBold(true);
    heading_->setFont(bold);
    heading_->setWordWrap(true);
    new QVBoxLayout(formArea_);
    formArea_->layout()->setContentsMargins(0, 0, 0, 0);

    summary_->setColumnCount(3);
    summary_->setHeaderLabels(
        {QStringLiteral("Description"), QStringLiteral("Selection"), QStringLiteral("Units")});
    summary_->setColumnWidth(0, kDescriptionWidth);
    summary_->setColumnWidth(1, kSelectionWidth);
    summary_->setColumnWidth(2, kUnitsWidth);
    summary_->setRootIsDecorated(false);
    summary_->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(retain_);
    buttons->addStretch();
    for (QPushButton* button : {back_, next_, finish_, cancel_}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    retain_->setAutoDefault(false);
    retain_->hide();
    finish_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(formArea_, 1);
    layout->addWidget(summary_, 1);
    layout->addLayout(buttons);
    setMinimumSize(520, 380);
    SetButtons(kWizardNoButtons);

    const auto act = [this](auto action) {
        return [this, action] {
            action(*sheet_);
            AfterAction();
        };
    };
    connect(back_, &QPushButton::clicked, this, act([](WizardSheet& s) { s.Back(); }));
    connect(next_, &QPushButton::clicked, this, act([](WizardSheet& s) { s.Next(); }));
    connect(finish_, &QPushButton::clicked, this, act([](WizardSheet& s) { s.Finish(); }));
    connect(retain_, &QPushButton::clicked, this, act([](WizardSheet& s) { s.Retain(); }));
    connect(cancel_, &QPushButton::clicked, this, &CWizardWindow::reject);

    sheet_ = make({links_.link, channel_.Current(), transfer_->transfer(), links_.prompt, *this,
                   links_.settings});
    setWindowTitle(ToQ(sheet_->caption()));
}

CWizardWindow::~CWizardWindow() {
    channel_.Close();
    process_->hide();
    sheet_.reset();
}

bool CWizardWindow::Start() {
    const bool shown = sheet_->Start();
    AfterAction();
    return shown && !sheet_->ended();
}

WizardEnd CWizardWindow::Run() {
    if (Start()) exec();
    return sheet_->end();
}

QWidget* CWizardWindow::field(const char* id) const {
    return form_ ? form_->findChild<QWidget*>(QString::fromLatin1(id)) : nullptr;
}

void CWizardWindow::ShowPage(const WizardPage& page) {
    if (sheet_) setWindowTitle(ToQ(sheet_->pageCaption()));
    heading_->setText(Unbroken(ToQ(page.heading())));
    retain_->setVisible(page.retainOffered());
    if (sheet_ && sheet_->onSummary()) {
        ShowSummary();
        return;
    }
    summary_->hide();
    formArea_->show();
    BuildForm(page);
}

void CWizardWindow::BuildForm(const WizardPage& page) {
    if (form_) {
        form_->hide();
        form_->deleteLater();  // a control of it may be emitting the change that led here
    }
    form_ = new QWidget(formArea_);
    auto* layout = new QFormLayout(form_);
    layout->setRowWrapPolicy(QFormLayout::WrapLongRows);
    std::string box;
    for (const WizardField& field : page.form.fields()) {
        if (!field.visible) continue;
        if (!field.box.empty() && field.box != box) {
            // The title of the group box the following controls stand in.
            box = field.box;
            auto* title = new QLabel(ToQ(box), form_);
            QFont bold = title->font();
            bold.setBold(true);
            title->setFont(bold);
            layout->addRow(title);
        }
        QWidget* widget = MakeField(field);
        widget->setEnabled(field.enabled);
        if (!field.toolTip.empty()) widget->setToolTip(ToQ(field.toolTip));
        const bool ownsText = field.kind == FieldKind::Text || field.kind == FieldKind::Check ||
                              (field.kind == FieldKind::Radio && field.label.empty()) ||
                              (field.kind == FieldKind::Live && LiveIsCheck(field));
        if (ownsText) {
            layout->addRow(widget);
            continue;
        }
        QWidget* row = widget;
        if (!field.units.empty()) {
            row = new QWidget(form_);
            auto* line = new QHBoxLayout(row);
            line->setContentsMargins(0, 0, 0, 0);
            widget->setParent(row);
            line->addWidget(widget);
            line->addWidget(new QLabel(ToQ(field.units), row));
        }
        auto* label = new QLabel(ToQ(field.label), form_);
        // Only a long question wraps: a wrapped label beside its control is cut short.
        label->setWordWrap(field.label.size() > 60);
        layout->addRow(label, row);
    }
    formArea_->layout()->addWidget(form_);
    form_->show();
    OrderTabs();
    FitPage();
}

void CWizardWindow::FitPage() {
    // The window is as large as the largest page seen needs, and no larger: a page's own
    // size, not the window's present one, sets what it needs (a page whose wrapped lines
    // take the window's width would otherwise ask for more at every turn).
    layout()->activate();
    const QSize needed = layout()->totalSizeHint().expandedTo(minimumSize());
    fitted_ = fitted_.expandedTo(needed);
    resize(size().expandedTo(fitted_));
}

void CWizardWindow::OrderTabs() {
    // Tab follows the page: its controls top to bottom, then the buttons left to right.
    QList<QWidget*> order;
    if (form_) {
        for (QWidget* child : form_->findChildren<QWidget*>()) {
            // A combo's own pop-up list is a window of its own, outside the page's chain.
            if ((child->focusPolicy() & Qt::TabFocus) && child->window() == this) order << child;
        }
    }
    order << retain_ << back_ << next_ << finish_ << cancel_;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    for (QWidget* first : order) {
        if (first->isVisibleTo(this) && first->isEnabled() && first->parentWidget() != this) {
            first->setFocus();
            break;
        }
    }
}

QWidget* CWizardWindow::MakeField(const WizardField& field) {
    const QString id = ToQ(field.id);
    const std::string key = field.id;
    // A control's change goes into the page's form; a combo's or check box's also to the page.
    const auto formField = [this, key]() -> WizardField* {
        WizardForm& form = sheet_->page().form;
        return form.has(key) ? &form.at(key) : nullptr;
    };
    QWidget* widget = nullptr;
    switch (field.kind) {
        case FieldKind::Text: {
            auto* label = new QLabel(Unbroken(ToQ(field.label)), form_);
            label->setWordWrap(true);
            widget = label;
            break;
        }
        case FieldKind::Choice: {
            auto* combo = new QComboBox(form_);
            for (const std::string& item : field.items)
                combo->addItem(ToQ(item));
            combo->setCurrentIndex(field.selection);
            connect(combo, &QComboBox::currentIndexChanged, this, [this, formField, key](int i) {
                if (WizardField* f = formField()) f->selection = i;
                sheet_->Changed(key);
                AfterAction();
            });
            widget = combo;
            break;
        }
        case FieldKind::Radio: {
            widget = new QWidget(form_);
            auto* grid = new QGridLayout(widget);
            grid->setContentsMargins(0, 0, 0, 0);
            grid->setColumnStretch(1, 1);
            auto* group = new QButtonGroup(widget);
            for (size_t i = 0; i < field.items.size(); ++i) {
                const int row = static_cast<int>(i);
                auto* button = new QRadioButton(ToQ(field.items[i]), widget);
                button->setChecked(row == field.selection);
                group->addButton(button, row);
                grid->addWidget(button, row, 0, Qt::AlignTop);
                // What the choice means stands beside it.
                if (i < field.itemNotes.size() && !field.itemNotes[i].empty()) {
                    auto* note = new QLabel(ToQ(field.itemNotes[i]), widget);
                    note->setWordWrap(true);
                    note->setObjectName(id + QStringLiteral(".note%1").arg(row));
                    grid->addWidget(note, row, 1, Qt::AlignTop);
                }
            }
            connect(group, &QButtonGroup::idClicked, this, [this, formField, key](int i) {
                if (WizardField* f = formField()) f->selection = i;
                sheet_->Changed(key);
                AfterAction();
            });
            break;
        }
        case FieldKind::Edit: {
            auto* edit = new QLineEdit(ToQ(field.text), form_);
            if (field.digitsOnly) {
                edit->setValidator(new QRegularExpressionValidator(
                    QRegularExpression(QStringLiteral("[0-9]*")), edit));
            }
            connect(edit, &QLineEdit::textChanged, this, [formField](const QString& text) {
                if (WizardField* f = formField()) f->text = FromQ(text);
            });
            widget = edit;
            break;
        }
        case FieldKind::Check: {
            auto* check = new QCheckBox(ToQ(field.label), form_);
            check->setChecked(field.selection == 1);
            connect(check, &QCheckBox::toggled, this, [this, formField, key](bool on) {
                if (WizardField* f = formField()) f->selection = on ? 1 : 0;
                sheet_->Changed(key);
                AfterAction();
            });
            widget = check;
            break;
        }
        case FieldKind::Live:
            if (LiveIsCheck(field)) {
                auto* check = new QCheckBox(ToQ(field.label), form_);
                check->setChecked(field.selection == 1);
                check->setAttribute(Qt::WA_TransparentForMouseEvents);
                check->setFocusPolicy(Qt::NoFocus);
                widget = check;
            } else {
                auto* edit = new QLineEdit(ToQ(field.text), form_);
                edit->setReadOnly(true);
                widget = edit;
            }
            break;
    }
    widget->setObjectName(id);
    return widget;
}

void CWizardWindow::ShowSummary() {
    formArea_->hide();
    summary_->clear();
    for (const SummaryRow& row : sheet_->summaryRows()) {
        new QTreeWidgetItem(summary_, {ToQ(row.description), ToQ(row.selection), ToQ(row.units)});
    }
    // Each column as wide as its longest text, and never narrower than its first width; the
    // list as tall as its rows, so that none is cut or hidden under the frame.
    const int widths[] = {kDescriptionWidth, kSelectionWidth, kUnitsWidth};
    int total = 0;
    for (int column = 0; column < 3; ++column) {
        summary_->resizeColumnToContents(column);
        summary_->setColumnWidth(column, std::max(widths[column], summary_->columnWidth(column)));
        total += summary_->columnWidth(column);
    }
    const int frame = 2 * summary_->frameWidth();
    int rows = summary_->header()->sizeHint().height();
    for (int i = 0; i < summary_->topLevelItemCount(); ++i)
        rows += summary_->sizeHintForRow(i);
    summary_->setMinimumSize(total + frame + summary_->verticalScrollBar()->sizeHint().width(),
                             rows + frame);
    summary_->show();
    FitPage();
}

void CWizardWindow::ShowLive(const WizardPage& page) {
    for (const WizardField& field : page.form.fields()) {
        if (field.kind != FieldKind::Live || !field.visible) continue;
        QWidget* widget = this->field(field.id.c_str());
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            edit->setText(ToQ(field.text));
        } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
            check->setChecked(field.selection == 1);
        }
    }
}

void CWizardWindow::SetButtons(int mask) {
    back_->setEnabled((mask & 1) != 0);
    next_->setEnabled((mask & kWizardNext) != 0);
    // Finish takes the place of Next.
    finish_->setVisible((mask & kWizardFinish) != 0);
    next_->setVisible((mask & kWizardFinish) == 0);
    finish_->setEnabled((mask & kWizardFinish) != 0);
    // Enter presses Next, or Finish where it stands in its place.
    finish_->setDefault((mask & kWizardFinish) != 0);
    next_->setDefault((mask & kWizardFinish) == 0);
    retain_->setEnabled((mask & kWizardNext) != 0);
    cancel_->setEnabled(true);
}

void CWizardWindow::ShowProcess(const ProcessPrompt& prompt) {
    process_->Open(prompt);
    process_->LevelWith(mapToGlobal(QPoint(0, heading_->y())).y());
}

void CWizardWindow::HideProcess() { process_->hide(); }

void CWizardWindow::PostCommand(int command) {
    if (links_.postCommand) links_.postCommand(command);
}

void CWizardWindow::reject() {
    if (!closing_) {
        sheet_->Cancel();
        AfterAction();
    }
}

void CWizardWindow::AfterAction() {
    if (!sheet_ || !sheet_->ended() || closing_) return;
    closing_ = true;
    process_->hide();
    done(sheet_->end() == WizardEnd::Finished ? QDialog::Accepted : QDialog::Rejected);
}

}  // namespace zvr
