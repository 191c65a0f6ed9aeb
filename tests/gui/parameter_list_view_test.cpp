// The Parameter List through its widgets: view positions, F9, the engineering edits, and
// *.zvf save and open.
#include <QTest>
#include <fstream>

#include "app/main_frame.h"
#include "gui/gui_test_support.h"
#include "gui_base/app_services.h"
#include "gui_base/latin1.h"
#include "settings/memory_settings_store.h"
#include "support/scripted_prompt.h"
#include "views/parameter_list_view.h"

namespace zvr {

class HintRecorder : public DocumentView {
public:
    std::vector<int> hints;
    void OnDocumentUpdate(int hint) override { hints.push_back(hint); }
};

class ParameterListViewTest : public QObject {
    Q_OBJECT

private:
    struct Fixture {
        explicit Fixture(bool engineering) {
            services = std::make_unique<AppServices>(
                AppServices{document, settings, prompt, frame, engineering, "."});
            for (int i = 0; i < 12; ++i) {
                VariableDef variable;
                variable.name = "var_" + std::to_string(10 + i);
                variable.scaling = {'U', 2, 0};
                variable.ramAddress = static_cast<uint32_t>(0x100 + 2 * i);
                document.definitions.variables.insert(variable);
            }
            document.AddView(&recorder);
        }
        ~Fixture() { document.RemoveView(&recorder); }

        void addItems(int count) {
            for (int i = 0; i < count; ++i) {
                ViewItemDef item;
                item.name = "var_" + std::to_string(10 + i);
                item.position = static_cast<uint8_t>(i);
                document.definitions.viewItems.add(item);
            }
        }

        CDataServer document;
        MemorySettingsStore store;
        CRegistrySettings settings{store};
        test::ScriptedPrompt prompt;
        CMainFrame frame{MainFrameContext{document, settings, prompt, false, {}, {}}};
        std::unique_ptr<AppServices> services;
        HintRecorder recorder;
    };

    static void Select(CParameterView& view, const char* name) {
        view.list()->setCurrentItem(
            view.list()->findItems(QString::fromLatin1(name), Qt::MatchExactly).first());
    }

    test::GuiTestDirectory directory_;

private slots:
    void userModeShowsOnlyTheViewListPart() {
        Fixture f(false);
        CParameterView view(*f.services);
        view.show();
        QCOMPARE(view.windowTitle(), QStringLiteral("Parameter List"));
        QCOMPARE(view.list()->count(), 12);
        QCOMPARE(view.list()->item(0)->text(), QStringLiteral("var_10"));
        QVERIFY(!view.button(QStringLiteral("Save Edit"))->isVisible());
        QVERIFY(!view.button(QStringLiteral("Delete"))->isVisible());
        QVERIFY(view.button(QStringLiteral("Save"))->isVisible());
        QVERIFY(view.onViewList()->isVisible());
    }

    void checkingProposesTheLowestFreePosition() {
        Fixture f(false);
        f.addItems(4);
        CParameterView view(*f.services);
        Select(view, "var_15");
        QVERIFY(!view.onViewList()->isChecked());
        view.onViewList()->click();
        QCOMPARE(view.viewPosition()->text(), QStringLiteral("4"));
        QVERIFY(view.editsPending());
    }

    void f9PutsAVariableOnTheViewAndTakesItOff() {
        Fixture f(false);
        f.addItems(2);
        CParameterView view(*f.services);
        Select(view, "var_20");
        QTest::keyClick(view.list(), Qt::Key_F9);
        const ViewItemDef* item = f.document.definitions.viewItems.find("var_20");
        QVERIFY(item);
        QCOMPARE(int(item->position), 2);
        QCOMPARE(f.recorder.hints, std::vector<int>{kHintViewItemsChanged});
        QTest::keyClick(view.list(), Qt::Key_F9);
        QVERIFY(!f.document.definitions.viewItems.find("var_20"));
        QVERIFY(f.prompt.shown.empty());
    }

    void allTenPositionsUsed() {
        Fixture f(false);
        f.addItems(10);
        CParameterView view(*f.services);
        Select(view, "var_21");
        view.onViewList()->click();
        QCOMPARE(view.viewPosition()->text(), QString());
        view.SaveEdit();
        QCOMPARE(f.prompt.texts(),
                 std::vector<std::string>{"All View Positions used. There is a max of 10."});
        QVERIFY(!f.document.definitions.viewItems.find("var_21"));
    }

    void positionChecksOfANewItem() {
        struct Case {
            const char* position;
            const char* message;
        };
        const Case cases[] = {{"10", "View Position must be between 0 and 9."},
                              {"-1", "View Position must be between 0 and 9."},
                              {"1", "This View Position is already used."}};
        for (const Case& c : cases) {
            Fixture f(false);
            f.addItems(2);
            CParameterView view(*f.services);
            Select(view, "var_15");
            view.onViewList()->click();
            view.viewPosition()->setText(QString::fromLatin1(c.position));
            view.SaveEdit();
            QCOMPARE(f.prompt.texts(), std::vector<std::string>{c.message});
            QCOMPARE(f.document.definitions.viewItems.count(), size_t{2});
        }
    }

    void keysMoveWithWrapAround() {
        Fixture f(false);
        CParameterView view(*f.services);
        QCOMPARE(view.list()->currentRow(), 0);
        QTest::keyClick(view.list(), Qt::Key_F5);
        QCOMPARE(view.list()->currentRow(), 11);
        QTest::keyClick(view.list(), Qt::Key_F6);
        QCOMPARE(view.list()->currentRow(), 0);
    }

    void engineeringEditsKeepTheTableSorted() {
        Fixture f(true);
        CParameterView view(*f.services);
        Select(view, "var_10");
        auto* name = view.findChildren<QLineEdit*>().at(1);  // after the file name field
        name->setText(QStringLiteral("zz_renamed"));
        view.SaveEdit();
        const auto& entries = f.document.definitions.variables.entries();
        QCOMPARE(entries.back()->name, std::string("zz_renamed"));
        QCOMPARE(view.list()->currentItem()->text(), QStringLiteral("zz_renamed"));

        name->setText(QStringLiteral("var_11"));
        view.AddAsNew();
        QCOMPARE(f.prompt.texts().back(),
                 std::string("New Item name must be unique. Point NOT added"));

        Select(view, "var_12");
        view.DeleteVariable();
        QVERIFY(!f.document.definitions.variables.find("var_12"));
        QCOMPARE(view.list()->count(), 11);
    }

    // Two Parameter List windows: what one renames or deletes, the other shows at once.
    void editsInAnotherParameterList() {
        Fixture f(true);
        CParameterView editing(*f.services);
        CParameterView other(*f.services);
        Select(other, "var_12");
        Select(editing, "var_12");
        editing.findChildren<QLineEdit*>().at(1)->setText(QStringLiteral("zz_renamed"));
        editing.SaveEdit();
        QCOMPARE(other.list()->currentItem()->text(), QStringLiteral("zz_renamed"));
        QCOMPARE(other.findChildren<QLineEdit*>().at(1)->text(), QStringLiteral("zz_renamed"));

        Select(other, "var_15");
        Select(editing, "var_11");
        editing.DeleteVariable();  // not the one the other shows: it stays selected there
        QCOMPARE(other.list()->count(), 11);
        QCOMPARE(other.list()->currentItem()->text(), QStringLiteral("var_15"));
        Select(editing, "var_15");
        editing.DeleteVariable();
        QCOMPARE(other.list()->count(), 10);
        QCOMPARE(other.list()->currentRow(), 0);
        QVERIFY(f.document.definitions.variables.find(FromQ(other.list()->currentItem()->text())));
        QVERIFY(f.prompt.shown.empty());
    }

    void saveThenOpenAViewSetup() {
        Fixture f(false);
        f.addItems(3);
        CParameterView view(*f.services);
        f.prompt.files = {std::string("three.zvf")};
        view.SaveSetup();
        f.document.definitions.viewItems.clear();

        f.prompt.files = {std::string("three.zvf")};
        view.OpenSetup();
        QCOMPARE(f.document.definitions.viewItems.count(), size_t{3});
        QCOMPARE(view.windowTitle(), QStringLiteral("Parameter List : three.zvf"));
        QCOMPARE(f.recorder.hints.back(), kHintViewItemsChanged);

        std::ofstream("empty.zvf") << "<?xml version=1.0?><ZVR VER=1.0/>";
        f.prompt.files = {std::string("empty.zvf")};
        view.OpenSetup();
        QCOMPARE(f.document.definitions.viewItems.count(), size_t{0});

        f.prompt.files = {std::string("none.zvf")};
        view.SaveSetup();
        QCOMPARE(f.prompt.texts().back(), std::string("There are no item on list to save."));
    }

    void closesWhenTheStrategyIsReplaced() {
        Fixture f(false);
        auto* view = new CParameterView(*f.services);
        view->setAttribute(Qt::WA_DeleteOnClose);
        view->show();
        QPointer<CParameterView> watched(view);
        f.document.UpdateAllViews(kHintDefinitionsReplaced);
        QTRY_VERIFY(watched.isNull());
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::ParameterListViewTest)
#include "parameter_list_view_test.moc"
