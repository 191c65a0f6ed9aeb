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

    // The form's parts, for the keyboard and for tests.
    QListWidget* list() const { return list_; }
    QCheckBox* onViewList() const { return onViewList_; }
    QLineEdit* viewPosition() const { return position_; }
    QPushButton* button(const QString& name) const;
    bool editsPending() const { return editsPending_; }

    void saveEdit();
    void addAsNew();
    void deleteVariable();
    void cancelEdit();
    void toggleOnViewList();
    void saveSetup();
    void openSetup();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildForm();
    void fill(const std::string& keep);
    void selectVariable();
    void onViewListClicked();
    void setEditsPending(bool pending);
    void enableViewItemControls(bool enabled);
    void move(int step);
    VariableDef* selected() const;
    VariableFields variableFields() const;
    ViewItemFields viewItemFields() const;
    void showVariable(const VariableDef& variable);

    AppServices& services_;
    CDataServer& document_;
    bool editsPending_ = false;
    bool filling_ = false;

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
