#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

#include "core/settings.h"
#include "eds/generate.h"
#include "params/editor_commands.h"
#include "tests/fakes/scripted_dialogs.h"
#include "tests/params/params_fixture.h"
#include "ui/frm_dynam.h"

using namespace quillon;

namespace {

template <class T> T* child(QWidget& window, const QString& name)
{
    T* found = window.findChild<T*>(name);
    if (!found)
        qWarning("no control %s", qPrintable(name));
    return found;
}

// Types `text` into a Value box and leaves it with Return, as a user would.
void typeInto(QComboBox* combo, const QString& text)
{
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), text);
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
}

} // namespace

class TestFrmDynam : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void start_showsOneTabPerSlotWithItsRows()
    {
        test::ParamsDir dir;
        Session session = dir.session();
        test::ScriptedDialogs dialogs;
        session.gstrActEDS = dir.path("station.eds");
        QVERIFY(Command15_Click(session, dialogs));
        FrmDynam window(session, dialogs);
        window.show();

        QCOMPARE(window.windowTitle(), QStringLiteral("Setting of K310 I/O - Module Parameters"));
        QCOMPARE(window.width(), window.toPixelsX(13575));
        auto* tabs = child<QTabWidget>(window, QStringLiteral("TabStrip1"));
        QVERIFY(tabs);
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(0), QStringLiteral("HB612 - Slot 1"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("KA224 - Slot 3"));
        QCOMPARE(child<QLineEdit>(window, QStringLiteral("Text6"))->text(),
                 QStringLiteral("  Default Value"));
        QCOMPARE(child<QPushButton>(window, QStringLiteral("Command3"))->text(),
                 QStringLiteral("Save EDS File"));

        QCOMPARE(child<QLabel>(window, QStringLiteral("Label0_4"))->text(),
                 QStringLiteral("Param.2"));
        QCOMPARE(child<QLineEdit>(window, QStringLiteral("Text0_4"))->text(),
                 QStringLiteral("Parameter KD236 Offset"));
        QCOMPARE(child<QLineEdit>(window, QStringLiteral("Text2_4"))->text(),
                 QStringLiteral("-10"));
        QCOMPARE(child<QLineEdit>(window, QStringLiteral("Text3_4"))->text(), QStringLiteral("10"));
        QVERIFY(child<QComboBox>(window, QStringLiteral("Combo0_4"))->isEditable());
        QCOMPARE(child<QComboBox>(window, QStringLiteral("Combo0_4"))->currentText(), QString());
        QCOMPARE(child<QFrame>(window, QStringLiteral("Frame2"))->findChildren<QComboBox*>().size(),
                 3);

        // Only the selected slot's frame shows; its rows fit, so no scroll bar.
        QVERIFY(child<QFrame>(window, QStringLiteral("Frame1"))->isVisible());
        QVERIFY(!child<QFrame>(window, QStringLiteral("Frame2"))->isVisible());
        QVERIFY(!child<QScrollBar>(window, QStringLiteral("VScroll1"))->isVisible());
        tabs->setCurrentIndex(1);
        QVERIFY(!child<QFrame>(window, QStringLiteral("Frame1"))->isVisible());
        QVERIFY(child<QFrame>(window, QStringLiteral("Frame2"))->isVisible());

        // The defaults fill the Value and Default Value boxes and the choice lists.
        dialogs.thenAnswer(true);
        QTest::mouseClick(child<QPushButton>(window, QStringLiteral("Command1")), Qt::LeftButton);
        auto* filter = child<QComboBox>(window, QStringLiteral("Combo0_1"));
        QCOMPARE(filter->count(), 2);
        QCOMPARE(filter->itemText(1), QStringLiteral("0.3 ms"));
        QCOMPARE(filter->currentText(), QStringLiteral("3 ms"));
        QCOMPARE(child<QLineEdit>(window, QStringLiteral("Text1_4"))->text(), QStringLiteral("-3"));
        QVERIFY(dialogs.unexpected.empty());
    }

    void generatedSampleStation_showsEveryModulesParameters()
    {
        const SettingsResult read = readSettingsFile(
            QStringLiteral(QUILLON_RESOURCES "/Quillon.ini").toStdString(), QUILLON_RESOURCES);
        QVERIFY(read.ok);
        test::ParamsDir dir;
        Session session;
        session.gstrResourcePath = read.settings.resourcePath;
        session.ClusterSlots[0] = headRecord();
        session.UsedBytes = session.ClusterSlots[0].bytes();
        for (int i = 0; i < read.settings.catalogueRecordCount && session.UsedCount < 8; ++i) {
            const ModuleInfo& m = read.settings.catalogue[static_cast<std::size_t>(i)];
            if (m.AnalogInBytes + m.AnalogOutBytes > 0)
                continue; // keep within the CANopen byte limits
            session.ClusterSlots[static_cast<std::size_t>(session.UsedCount++)] = m;
            for (std::size_t kind = 0; kind < ByteKindCount; ++kind)
                session.UsedBytes[kind] += m.bytes()[kind];
        }
        test::ScriptedDialogs dialogs;
        const std::string path = dir.path("CO_generated.eds");
        const EdsBuildResult built = buildEdsText(session, FieldbusProtocol::CanOpen, path,
                                                  DateTime{2009, 6, 30, 14, 5, 9}, dialogs);
        QVERIFY2(built.ok, built.error.c_str());
        QVERIFY(writeFileAtomically(path, built.text + "\r\n"));
        session.gstrActEDS = path;
        QVERIFY(Command15_Click(session, dialogs));

        FrmDynam window(session, dialogs);
        window.show();
        auto* tabs = child<QTabWidget>(window, QStringLiteral("TabStrip1"));
        QCOMPARE(tabs->count(), 8);
        int k = 1;
        for (int slot = 1; slot <= 8; ++slot) {
            const ModuleInfo& m = session.ClusterSlots[static_cast<std::size_t>(slot - 1)];
            const QString model = QString::fromStdString(modelNameOf(m.ResourceFile));
            QCOMPARE(tabs->tabText(slot - 1),
                     model + QStringLiteral(" - Slot ") + QString::number(slot));
            auto* frame = child<QFrame>(window, QStringLiteral("Frame") + QString::number(slot));
            QCOMPARE(frame->findChildren<QComboBox*>().size(), m.ParameterCount);
            for (int j = 1; j <= m.ParameterCount; ++j, ++k) {
                auto* name =
                    child<QLineEdit>(window, QStringLiteral("Text0_") + QString::number(k));
                QVERIFY(name->parent() == frame);
                QVERIFY2(name->text().startsWith(QStringLiteral("Parameter ") + model),
                         qPrintable(name->text()));
                QVERIFY(!child<QLineEdit>(window, QStringLiteral("Text3_") + QString::number(k))
                             ->text()
                             .isEmpty());
            }
        }
        QVERIFY(dialogs.notices.empty());
    }

    void scrollBar_showsForTallSlotsAndKeepsEachTabsPosition()
    {
        test::ParamsDir dir;
        Session session = dir.session();
        test::ScriptedDialogs dialogs;
        session.gintAnzMod = 3;
        session.gstrModule = {"OVN_HB612.eds", "OVN_KD236.eds", "OVN_KA224.eds"};
        session.gstrModPar = {30, 2, 40};
        FrmDynam window(session, dialogs);
        window.show();
        auto* tabs = child<QTabWidget>(window, QStringLiteral("TabStrip1"));
        auto* scroll = child<QScrollBar>(window, QStringLiteral("VScroll1"));

        // 30 rows of 400 in a frame 8732 high: (12000 - 8732) / 400 + 1 gives 9.
        QVERIFY(scroll->isVisible());
        QCOMPARE(scroll->maximum(), 9);
        QCOMPARE(scroll->value(), 0);
        auto* firstLabel = child<QLabel>(window, QStringLiteral("Label0_1"));
        const int top = firstLabel->y();
        QCOMPARE(top, window.toPixelsY(50));
        scroll->setValue(4);
        QCOMPARE(firstLabel->y(), window.toPixelsY(50 - 4 * 400));
        QCOMPARE(child<QComboBox>(window, QStringLiteral("Combo0_6"))->y(),
                 window.toPixelsY(5 * 400 + 50 - 4 * 400));

        tabs->setCurrentIndex(1);
        QVERIFY(!scroll->isVisible());
        tabs->setCurrentIndex(2);
        QVERIFY(scroll->isVisible());
        QCOMPARE(scroll->value(), 0);
        scroll->setValue(2);
        QCOMPARE(firstLabel->y(), window.toPixelsY(50 - 4 * 400)); // slot 1 stays where it was

        tabs->setCurrentIndex(0);
        QCOMPARE(scroll->value(), 4);
        QCOMPARE(scroll->maximum(), 9);
        tabs->setCurrentIndex(2);
        QCOMPARE(scroll->value(), 2);
    }

    void valueBox_outOfRangeEntryFallsBackToTheDefault()
    {
        test::ParamsDir dir;
        Session session = dir.session();
        test::ScriptedDialogs dialogs;
        session.gstrActEDS = dir.path("station.eds");
        QVERIFY(Command15_Click(session, dialogs));
        session.gbLoadedEDS = true;
        session.gbAskForDef = true;
        FrmDynam window(session, dialogs);
        window.show();

        auto* delay = child<QComboBox>(window, QStringLiteral("Combo0_2")); // 0..100, default 5
        QCOMPARE(delay->currentText(), QStringLiteral("0"));
        typeInto(delay, QStringLiteral("16#FF"));
        QCOMPARE(dialogs.notices, std::vector<std::string>{OutOfBoundsMessage});
        QCOMPARE(delay->currentText(), QStringLiteral("5"));
        QCOMPARE(window.editor().row(2).record.ValueNumber, 5);

        typeInto(delay, QStringLiteral("16#1F"));
        QCOMPARE(dialogs.notices.size(), std::size_t{1});
        QCOMPARE(window.editor().row(2).record.ValueNumber, 31);
    }

    void exitThenReopen_keepsTheEdits_closeBoxDiscards()
    {
        test::ParamsDir dir;
        Session session = dir.session();
        test::ScriptedDialogs dialogs;
        session.gstrActEDS = dir.path("station.eds");
        QVERIFY(Command15_Click(session, dialogs));
        FrmDynam window(session, dialogs);
        QSignalSpy hidden(&window, &FrmDynam::hidden);
        QSignalSpy closed(&window, &FrmDynam::closed);
        window.show();

        auto* offset = child<QComboBox>(window, QStringLiteral("Combo0_4"));
        typeInto(offset, QStringLiteral("7"));
        QTest::mouseClick(child<QPushButton>(window, QStringLiteral("Command2")), Qt::LeftButton);
        QCOMPARE(hidden.count(), 1);
        QVERIFY(!window.isVisible());
        QVERIFY(!session.view.editorVisible);
        QVERIFY(session.view.editorExists);

        QVERIFY(Command15_Click(session, dialogs));
        QVERIFY(session.view.editorVisible);
        window.show(); // what the main window does with the existing editor
        QCOMPARE(offset->currentText(), QStringLiteral("7"));
        QCOMPARE(window.editor().row(4).record.ValueNumber, 7);

        window.close();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!session.view.editorExists);
        QVERIFY(dialogs.notices.empty());
    }
};

QTEST_MAIN(TestFrmDynam)
#include "tst_frm_dynam.moc"
