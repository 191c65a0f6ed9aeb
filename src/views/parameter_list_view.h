#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include "comm/data_server.h"
#include "viewlist/view_list_editor.h"

namespace zvr {

struct AppServices;

// "Parameter List": which live variables the Parameter View shows, and where; view setups
// saved to and opened from *.zvf files. In engineering mode it also edits, adds and deletes
// variable definitions.
class CParameterView : public QWidget, public DocumentView {
    Q_OBJECT
public:
    CParameterView(AppServices& services, QWidget* parent = nullptr);
    ~CParameterView() override;

    void OnDocumentUpdate(int hint) override;
    void OnDefinitionsEdited(const DefinitionEdit& edit) override;

    // The form's parts, for the keyboard and for tests.
    QListWidget* list() const { return list_; }
    QCheckBox* onViewList() const { return onViewList_; }
    QLineEdit* viewPosition() const { return position_; }
    QPushButton* button(const QString& name) const;
    bool editsPending() const { return editsPending_; }

    void SaveEdit();
    void AddAsNew();
    void DeleteVariable();
    void CancelEdit();
    void ToggleOnViewList();
    void SaveSetup();
    void OpenSetup();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildForm();
    void Fill(const std::string& keep);
    void SelectVariable();
    void OnViewListClicked();
    void SetEditsPending(bool pending);
    void EnableViewItemControls(bool enabled);
    void SelectAdjacent(int step);
    VariableDef* Selected() const;
    VariableFields CurrentVariableFields() const;
    ViewItemFields CurrentViewItemFields() const;
    void ShowVariable(const VariableDef& variable);

    AppServices& services_;
    CDataServer& document_;
    bool editsPending_ = false;
    bool filling_ = false;
    bool editing_ = false;  // an edit of this view's is being announced

    QListWidget* list_;
    QLineEdit* fileName_;
    QLineEdit* name_;
    QLineEdit* address_;
    QLineEdit* units_;
    QComboBox* type_;
    QComboBox* size_;
    QLineEdit* binaryPoint_;
    QCheckBox* onViewList_;
    QLineEdit* position_;
    QComboBox* itemType_;
    QComboBox* itemSize_;
    QLineEdit* itemBinaryPoint_;
    std::vector<QWidget*> engineeringOnly_;
};

}  // namespace zvr
