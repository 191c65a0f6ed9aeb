#include "views/parameter_list_view.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>
#include <span>

#include "common/user_prompt.h"
#include "gui_base/app_services.h"
#include "gui_base/latin1.h"
#include "monitoring/scalar_entry.h"
#include "setupdoc/view_setup_file.h"
#include "viewlist/definition_editor.h"
#include "views/form_view.h"

namespace zvr {

namespace {

QComboBox* List(std::span<const char* const> names) {
    auto* list = new QComboBox;
    for (const char* name : names)
        list->addItem(QString::fromLatin1(name));
    return list;
}

}  // namespace

CParameterView::CParameterView(AppServices& services, QWidget* parent)
    : QWidget(parent), services_(services), document_(services.document) {
    setWindowTitle(QStringLiteral("Parameter List"));
    BuildForm();
    fileName_->setText(QFileInfo(ToQ(document_.definitions.filePath)).fileName());
    document_.AddView(this);
    Fill({});
}

CParameterView::~CParameterView() { document_.RemoveView(this); }

void CParameterView::BuildForm() {
    list_ = new QListWidget;
    list_->setSortingEnabled(true);
    list_->setToolTip(QStringLiteral("The list of avaliable parameters to adjust"));
    fileName_ = new QLineEdit;
    fileName_->setReadOnly(true);
    fileName_->setToolTip(QStringLiteral("File name of data source"));
    name_ = new QLineEdit;
    address_ = new QLineEdit;
    units_ = new QLineEdit;
    type_ = List(kScalingTypeNames);
    size_ = List(kScalingSizeNames);
    binaryPoint_ = new QLineEdit;
    onViewList_ = new QCheckBox(QStringLiteral("On View List"));
    onViewList_->setToolTip(
        QStringLiteral("Determines if on Monitor->Parameter View screen. F9 to toggle."));
    position_ = new QLineEdit;
    position_->setToolTip(
        QStringLiteral("Controls the order of the items on Monitor->Parameter View screen"));
    itemType_ = List(kScalingTypeNames);
    itemSize_ = List(kScalingSizeNames);
    itemBinaryPoint_ = new QLineEdit;

    auto* variableBox = new QGroupBox(QStringLiteral("Variable Information"));
    auto* variableForm = new QFormLayout(variableBox);
    variableForm->addRow(QStringLiteral("Variable Name"), name_);
    variableForm->addRow(QStringLiteral("Address"), address_);
    variableForm->addRow(QStringLiteral("Units"), units_);
    variableForm->addRow(QStringLiteral("Type"), type_);
    variableForm->addRow(QStringLiteral("Size"), size_);
    variableForm->addRow(QStringLiteral("BinPt"), binaryPoint_);

    auto* viewBox = new QGroupBox(QStringLiteral("Parameter View"));
    auto* viewForm = new QFormLayout(viewBox);
    viewForm->addRow(onViewList_);
    viewForm->addRow(QStringLiteral("View Position"), position_);
    auto* itemTypeLabel = new QLabel(QStringLiteral("Type"));
    auto* itemSizeLabel = new QLabel(QStringLiteral("Size"));
    auto* itemBinPtLabel = new QLabel(QStringLiteral("BinPt"));
    viewForm->addRow(itemTypeLabel, itemType_);
    viewForm->addRow(itemSizeLabel, itemSize_);
    viewForm->addRow(itemBinPtLabel, itemBinaryPoint_);

    struct ButtonSpec {
        const char* text;
        void (CParameterView::*action)();
        bool engineering;
        const char* tooltip;
    };
    const ButtonSpec specs[] = {
        {"Add As New", &CParameterView::AddAsNew, true, ""},
        {"Save Edit", &CParameterView::SaveEdit, true, ""},
        {"Delete", &CParameterView::DeleteVariable, true, ""},
        {"Cancel Edit", &CParameterView::CancelEdit, true, ""},
        {"&Open", &CParameterView::OpenSetup, false,
         "Opens a previously saved parameter list view"},
        {"&Save", &CParameterView::SaveSetup, false, "Saves the current View List to a file."},
    };
    auto* buttons = new QHBoxLayout;
    for (const ButtonSpec& spec : specs) {
        auto* button = new QPushButton(QString::fromLatin1(spec.text), this);
        button->setObjectName(QString::fromLatin1(spec.text).remove(QLatin1Char('&')));
        button->setToolTip(QString::fromLatin1(spec.tooltip));
        connect(button, &QPushButton::clicked, this, spec.action);
        buttons->addWidget(button);
        if (spec.engineering) engineeringOnly_.push_back(button);
    }

    auto* fileRow = new QFormLayout;
    fileRow->addRow(QStringLiteral("Cal File Name"), fileName_);
    auto* right = new QVBoxLayout;
    right->addLayout(fileRow);
    right->addWidget(variableBox);
    right->addWidget(viewBox);
    right->addLayout(buttons);
    right->addWidget(new QLabel(QStringLiteral(
        "[F5] PREVIOUS     [F6] NEXT     [F9] ADD/REMOVE ON VIEW     [ESC] CANCEL EDIT / CLOSE")));
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(right, 2);

    engineeringOnly_.insert(engineeringOnly_.end(),
                            {variableBox, itemType_, itemSize_, itemBinaryPoint_, itemTypeLabel,
                             itemSizeLabel, itemBinPtLabel});
    for (QWidget* widget : engineeringOnly_)
        widget->setVisible(services_.engineeringMode);

    connect(list_, &QListWidget::currentRowChanged, this, [this] {
        if (!filling_) SelectVariable();
    });
    connect(onViewList_, &QCheckBox::clicked, this, &CParameterView::OnViewListClicked);
    for (QLineEdit* edit : {name_, address_, units_, binaryPoint_, position_, itemBinaryPoint_}) {
        connect(edit, &QLineEdit::textEdited, this, [this] { SetEditsPending(true); });
    }
    for (QComboBox* box : {type_, size_, itemType_, itemSize_}) {
        connect(box, &QComboBox::activated, this, [this] { SetEditsPending(true); });
    }
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

QPushButton* CParameterView::button(const QString& name) const {
    return findChild<QPushButton*>(name);
}

void CParameterView::OnDocumentUpdate(int hint) {
    if (hint == kHintDefinitionsReplaced) {
        // The variables shown are about to go away with their strategy.
        document_.RemoveView(this);
        list_->clear();
        CloseFrameOf(*this);
    }
}

void CParameterView::OnDefinitionsEdited(const DefinitionEdit& edit) {
    // This view's own edits refill the list when they are done.
    if (editing_ || edit.table != DefinitionEdit::Table::Variables) return;
    const QListWidgetItem* current = list_->currentItem();
    if (current == nullptr) {
        Fill({});
        return;
    }
    const std::string shown = FromQ(current->text());
    if (shown != edit.name) {
        // Another variable: the list changes around the one shown, whose fields stay as typed.
        filling_ = true;
        list_->clear();
        for (const auto& variable : document_.definitions.variables.entries())
            list_->addItem(ToQ(variable->name));
        const auto found = list_->findItems(ToQ(shown), Qt::MatchExactly);
        if (!found.isEmpty()) list_->setCurrentItem(found.first());
        filling_ = false;
        return;
    }
    // The variable shown was edited elsewhere: show it as it is now, or the first one.
    Fill(edit.nameAfter());
}

VariableDef* CParameterView::Selected() const {
    const QListWidgetItem* item = list_->currentItem();
    if (item == nullptr) return nullptr;
    return document_.definitions.variables.find(FromQ(item->text()));
}

void CParameterView::Fill(const std::string& keep) {
    filling_ = true;
    list_->clear();
    for (const auto& variable : document_.definitions.variables.entries()) {
        list_->addItem(ToQ(variable->name));
    }
    int row = 0;
    if (!keep.empty()) {
        const auto found = list_->findItems(ToQ(keep), Qt::MatchExactly);
        if (!found.isEmpty()) row = list_->row(found.first());
    }
    if (list_->count() > 0) list_->setCurrentRow(row);
    filling_ = false;
    SelectVariable();
}

void CParameterView::SelectVariable() {
    if (editsPending_) services_.prompt.plain("Edits not saved");
    const VariableDef* variable = Selected();
    if (variable != nullptr) ShowVariable(*variable);
    SetEditsPending(false);
}

void CParameterView::ShowVariable(const VariableDef& variable) {
    const VariableFields fields = FieldsOf(variable);
    name_->setText(ToQ(fields.name));
    address_->setText(ToQ(fields.address));
    units_->setText(ToQ(fields.units));
    type_->setCurrentIndex(fields.typeIndex);
    size_->setCurrentIndex(fields.sizeIndex);
    binaryPoint_->setText(ToQ(fields.binaryPoint));
    const std::optional<ViewItemFields> item = ViewItemFieldsOf(document_.definitions, variable);
    onViewList_->setChecked(item.has_value());
    EnableViewItemControls(item.has_value());
    if (item) {
        itemType_->setCurrentIndex(item->typeIndex);
        itemSize_->setCurrentIndex(item->sizeIndex);
        itemBinaryPoint_->setText(ToQ(item->binaryPoint));
        position_->setText(ToQ(item->position));
    } else {
        position_->clear();
    }
}

void CParameterView::EnableViewItemControls(bool enabled) {
    for (QWidget* widget :
         {static_cast<QWidget*>(position_), static_cast<QWidget*>(itemType_),
          static_cast<QWidget*>(itemSize_), static_cast<QWidget*>(itemBinaryPoint_)}) {
        widget->setEnabled(enabled);
    }
}

void CParameterView::SetEditsPending(bool pending) {
    editsPending_ = pending;
    for (const char* name : {"Save Edit", "Add As New", "Cancel Edit"}) {
        button(QString::fromLatin1(name))->setEnabled(pending);
    }
}

void CParameterView::OnViewListClicked() {
    SetEditsPending(true);
    const bool checked = onViewList_->isChecked();
    EnableViewItemControls(checked);
    if (!checked) return;
    itemType_->setCurrentIndex(type_->currentIndex());
    itemSize_->setCurrentIndex(size_->currentIndex());
    itemBinaryPoint_->setText(binaryPoint_->text());
    const std::optional<int> free = LowestFreePosition(document_.definitions.viewItems);
    position_->setText(free ? QString::number(*free) : QString());
}

VariableFields CParameterView::CurrentVariableFields() const {
    return {FromQ(name_->text()),  FromQ(address_->text()), FromQ(units_->text()),
            type_->currentIndex(), size_->currentIndex(),   FromQ(binaryPoint_->text())};
}

ViewItemFields CParameterView::CurrentViewItemFields() const {
    return {onViewList_->isChecked(), FromQ(position_->text()), itemType_->currentIndex(),
            itemSize_->currentIndex(), FromQ(itemBinaryPoint_->text())};
}

void CParameterView::SaveEdit() {
    const VariableDef* variable = Selected();
    if (variable == nullptr) return;
    SetEditsPending(false);
    const std::string name = variable->name;
    const VariableFields fields = CurrentVariableFields();
    editing_ = true;
    const bool saved =
        zvr::SaveEdit(document_, name, fields, CurrentViewItemFields(), services_.prompt);
    editing_ = false;
    if (!saved) return;
    // The variable goes by the typed name unless that name was refused.
    Fill(document_.definitions.variables.find(name) != nullptr ? name : fields.name);
    list_->setFocus();
    document_.UpdateAllViews(kHintViewItemsChanged);
}

void CParameterView::AddAsNew() {
    SetEditsPending(false);
    editing_ = true;
    const std::optional<std::string> added = zvr::AddAsNew(
        document_, CurrentVariableFields(), CurrentViewItemFields(), services_.prompt);
    editing_ = false;
    if (added) {
        Fill(*added);
        document_.UpdateAllViews(kHintViewItemsChanged);
    }
}

void CParameterView::DeleteVariable() {
    const VariableDef* variable = Selected();
    if (variable == nullptr) return;
    editing_ = true;
    DefinitionEditor(document_).DeleteVariable(variable->name);
    editing_ = false;
    SetEditsPending(false);
    Fill({});
    document_.UpdateAllViews(kHintViewItemsChanged);
}

void CParameterView::CancelEdit() {
    SetEditsPending(false);
    if (const VariableDef* variable = Selected()) ShowVariable(*variable);
    list_->setFocus();
}

void CParameterView::ToggleOnViewList() {
    onViewList_->setChecked(!onViewList_->isChecked());
    OnViewListClicked();
    SaveEdit();
}

void CParameterView::SaveSetup() {
    const auto path = services_.prompt.chooseFile(ViewSetupFileChoice(FileChoiceMode::Save));
    if (path) SaveViewSetupFile(document_.definitions.viewItems, *path, services_.prompt);
}

void CParameterView::OpenSetup() {
    const auto path = services_.prompt.chooseFile(ViewSetupFileChoice(FileChoiceMode::Open));
    if (!path) return;
    if (OpenViewSetupFile(*path, document_.definitions.viewItems, services_.prompt) != 0) return;
    editsPending_ = false;
    Fill(Selected() ? Selected()->name : std::string());
    document_.UpdateAllViews(kHintViewItemsChanged);
    const QString caption = ToQ(ParameterListCaption(*path));
    setWindowTitle(caption);
    if (parentWidget() != nullptr) parentWidget()->setWindowTitle(caption);
}

void CParameterView::SelectAdjacent(int step) {
    const int count = list_->count();
    if (count == 0) return;
    int row = list_->currentRow();
    if (row < 0) {
        row = step < 0 ? count - 1 : 0;
    } else {
        row = (row + step + count) % count;
    }
    list_->setCurrentRow(row);
}

bool CParameterView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape ||
            key == Qt::Key_F5 || key == Qt::Key_F6 || key == Qt::Key_F9) {
            keyPressEvent(static_cast<QKeyEvent*>(event));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CParameterView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (editsPending_) SaveEdit();
            break;
        case Qt::Key_Escape:
            if (editsPending_) {
                CancelEdit();
            } else {
                CloseFrameOf(*this);
            }
            break;
        case Qt::Key_F5:
            SelectAdjacent(-1);
            break;
        case Qt::Key_F6:
            SelectAdjacent(1);
            break;
        case Qt::Key_F9:
            ToggleOnViewList();
            break;
        default:
            QWidget::keyPressEvent(event);
    }
}

}  // namespace zvr
