#include "ui/frm_dynam.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/session.h"
#include "ui/latin1.h"

namespace quillon {

namespace {

constexpr double TwipsPerInch = 1440.0;

} // namespace

FrmDynam::FrmDynam(Session& session, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(session), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmDynam"));
    setWindowTitle(QString::fromLatin1(EditorCaption));
    // The layout is measured for the small dialog font of the platform's classic look.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    // The controls keep their positions and sizes on a page of the window's design size; a
    // screen too small for it scrolls the page.
    auto* area = new QScrollArea(this);
    area->setObjectName(QStringLiteral("frmDynam_scroll"));
    area->setFrameShape(QFrame::NoFrame);
    m_page = new QWidget(area);
    m_page->setObjectName(QStringLiteral("frmDynam_client"));
    m_page->setFixedSize(toPixelsX(editor_layout::FormWidth), toPixelsY(editor_layout::FormHeight));
    area->setWidget(m_page);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(area);

    (void)m_editor.Form_Load(m_session, m_dialogs);
    buildControls();
    buildFrames();
    render();
    fitToScreen();
}

void FrmDynam::fitToScreen()
{
    QSize size = m_page->size();
    if (const QScreen* shownOn = screen()) {
        const QSize room = shownOn->availableGeometry().size() - QSize(16, 48);
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        if (size.width() > room.width())
            size.rheight() += bar;
        if (size.height() > room.height())
            size.rwidth() += bar;
        size = size.boundedTo(room);
    }
    setMaximumSize(m_page->size() + QSize(2, 2) * style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    resize(size);
}

int FrmDynam::toPixelsX(int twips) const
{
    return qRound(twips * logicalDpiX() / TwipsPerInch);
}

int FrmDynam::toPixelsY(int twips) const
{
    return qRound(twips * logicalDpiY() / TwipsPerInch);
}

QRect FrmDynam::toPixels(const editor_layout::TwipRect& r) const
{
    return QRect(toPixelsX(r.left), toPixelsY(r.top), toPixelsX(r.width), toPixelsY(r.height));
}

QLineEdit* FrmDynam::makeBox(QWidget* parent, const QString& name, const QString& text)
{
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    return box;
}

void FrmDynam::buildControls()
{
    namespace L = editor_layout;
    m_tabStrip = new QTabWidget(m_page);
    m_tabStrip->setObjectName(QStringLiteral("TabStrip1"));
    m_tabStrip->setGeometry(toPixels(L::TabStrip1));
    {
        const QSignalBlocker quiet(m_tabStrip);
        for (const EditorSlot& slot : m_editor.slots())
            m_tabStrip->addTab(new QWidget(m_tabStrip), toQString(slot.caption));
    }
    connect(m_tabStrip, &QTabWidget::currentChanged, this, &FrmDynam::tabClicked);
    // Every slot's tab stays in sight: when eight captions at the style's spacing are wider than
    // the strip, the tabs give up some of their padding instead of scrolling.
    QTabBar* tabs = m_tabStrip->tabBar();
    tabs->setUsesScrollButtons(false);
    if (tabs->sizeHint().width() > m_tabStrip->width())
        tabs->setStyleSheet(QStringLiteral(
            "QTabBar::tab { padding: 3px 4px; margin-right: 1px; border: 1px solid #a0a0a0;"
            " border-bottom: none; background: #e4e4e4; }"
            "QTabBar::tab:selected { background: #fafafa; }"));

    const struct
    {
        const char* name;
        const char* text;
        L::TwipRect rect;
    } headings[] = {
        {"Text4", " Parameter Name", L::Text4}, {"Text5", "Value", L::Text5},
        {"Text6", "  Default Value", L::Text6}, {"Text7", " Minimum", L::Text7},
        {"Text8", "Maximum", L::Text8},
    };
    for (const auto& h : headings) {
        QLineEdit* box = makeBox(m_page, QString::fromLatin1(h.name), QString::fromLatin1(h.text));
        box->setGeometry(toPixels(h.rect));
    }

    m_scrollBar = new QScrollBar(Qt::Vertical, m_page);
    m_scrollBar->setObjectName(QStringLiteral("VScroll1"));
    m_scrollBar->setGeometry(toPixels(L::VScroll1));
    m_scrollBar->setSingleStep(1);
    m_scrollBar->setPageStep(1);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, &FrmDynam::scrolled);

    // The design-time container of the row arrays; no parameter uses it.
    auto* frame0 = new QFrame(m_page);
    frame0->setObjectName(QStringLiteral("Frame0"));
    frame0->setGeometry(toPixels(L::Frame0));
    frame0->hide();

    m_setDefaults = new QPushButton(QStringLiteral("Set Default Values"), m_page);
    m_setDefaults->setObjectName(QStringLiteral("Command1"));
    m_setDefaults->setGeometry(toPixels(L::Command1));
    connect(m_setDefaults, &QPushButton::clicked, this, &FrmDynam::setDefaultValues);

    m_save = new QPushButton(QStringLiteral("Save EDS File"), m_page);
    m_save->setObjectName(QStringLiteral("Command3"));
    m_save->setGeometry(toPixels(L::Command3));
    connect(m_save, &QPushButton::clicked, this, &FrmDynam::saveEds);

    // The button is two lines high; its caption wraps there.
    auto* exit = new QPushButton(QStringLiteral("Exit Parameter\nSetting"), m_page);
    exit->setToolTip(QStringLiteral("Exit Parameter Setting"));
    exit->setObjectName(QStringLiteral("Command2"));
    exit->setGeometry(toPixels(L::Command2));
    connect(exit, &QPushButton::clicked, this, &FrmDynam::exitEditor);

    m_setDefaults->setEnabled(m_editor.canEdit());
    m_save->setEnabled(m_editor.canEdit());
}

void FrmDynam::buildFrames()
{
    namespace L = editor_layout;
    for (const EditorSlot& slot : m_editor.slots()) {
        auto* frame = new QFrame(m_page);
        frame->setObjectName(toQString(slot.frameName));
        frame->setFrameShape(QFrame::NoFrame);
        frame->setGeometry(toPixels(L::SlotFrame));
        frame->hide();
        frame->raise();
        m_frames.push_back(frame);
    }
    m_rows.resize(static_cast<std::size_t>(m_editor.rowCount()));
}

void FrmDynam::buildRowsOf(int slot)
{
    namespace L = editor_layout;
    const auto place = [this](QWidget* w, const L::RowColumn& column, int height) {
        w->resize(toPixelsX(column.width), height);
    };
    QFrame* frame = m_frames[static_cast<std::size_t>(slot - 1)];
    for (int k = 1; k <= m_editor.rowCount(); ++k) {
        const ParameterRow& row = m_editor.row(k);
        RowWidgets& w = m_rows[static_cast<std::size_t>(k - 1)];
        if (row.slot != slot || w.label)
            continue;
        const QString index = QString::number(k);
        w.label = new QLabel(toQString(row.label), frame);
        w.label->setObjectName(QStringLiteral("Label0_") + index);
        place(w.label, L::Label0, toPixelsY(L::Label0.height));
        w.name = makeBox(frame, QStringLiteral("Text0_") + index, QString());
        place(w.name, L::Text0, toPixelsY(L::Text0.height));
        w.value = new QComboBox(frame);
        w.value->setObjectName(QStringLiteral("Combo0_") + index);
        w.value->setEditable(true);
        w.value->setInsertPolicy(QComboBox::NoInsert);
        w.value->setCompleter(nullptr);
        place(w.value, L::Combo0, w.value->sizeHint().height());
        w.defaultValue = makeBox(frame, QStringLiteral("Text1_") + index, QString());
        place(w.defaultValue, L::Text1, toPixelsY(L::Text1.height));
        w.minimum = makeBox(frame, QStringLiteral("Text2_") + index, QString());
        place(w.minimum, L::Text2, toPixelsY(L::Text2.height));
        w.maximum = makeBox(frame, QStringLiteral("Text3_") + index, QString());
        place(w.maximum, L::Text3, toPixelsY(L::Text3.height));
        connectRow(k);
        renderRow(k);
        w.label->show();
        w.name->show();
        w.value->show();
        w.defaultValue->show();
        w.minimum->show();
        w.maximum->show();
    }
    renderRowPositions(slot);
}

void FrmDynam::connectRow(int k)
{
    QComboBox* combo = m_rows[static_cast<std::size_t>(k - 1)].value;
    // An editable combo box activates the entry whose text was typed when its line edit is left;
    // a typed entry is read as a number instead, so only a pick from the list activates.
    QObject::disconnect(combo->lineEdit(), &QLineEdit::editingFinished, combo, nullptr);
    connect(combo, &QComboBox::editTextChanged, this, [this, k](const QString& text) {
        if (!m_rendering)
            m_editor.Combo0_Change(k, toBytes(text));
    });
    connect(combo, &QComboBox::activated, this, [this, k, combo](int index) {
        m_editor.Combo0_Click(k, toBytes(combo->itemText(index)));
    });
    // The line edit reports leaving it after a change, and Return.
    connect(combo->lineEdit(), &QLineEdit::editingFinished, this, [this, k] { valueLeft(k); });
}

void FrmDynam::setDefaultValues()
{
    if (m_editor.Command1_Click(m_session, m_dialogs))
        render();
}

void FrmDynam::saveEds()
{
    (void)m_editor.Command3_Click(m_session, m_dialogs);
    Q_EMIT sessionChanged();
}

void FrmDynam::exitEditor()
{
    ParameterEditor::Command2_Click(m_session);
    hide();
    Q_EMIT hidden();
}

void FrmDynam::closeEvent(QCloseEvent* event)
{
    ParameterEditor::Form_Unload(m_session);
    event->accept();
    Q_EMIT closed();
}

void FrmDynam::tabClicked(int index)
{
    if (m_rendering)
        return;
    m_editor.TabStrip1_Click(index + 1);
    renderFrames();
    renderScrollBar();
}

void FrmDynam::scrolled(int value)
{
    if (m_rendering)
        return;
    m_editor.ScrollRows(value);
    renderRowPositions(m_editor.selectedSlot());
}

void FrmDynam::valueLeft(int k)
{
    if (m_editor.Combo0_LostFocus(k, m_dialogs) == ParameterEditor::EntryCheck::OutOfBounds)
        renderRow(k);
}

void FrmDynam::render()
{
    for (int k = 1; k <= m_editor.rowCount(); ++k)
        renderRow(k);
    for (const EditorSlot& slot : m_editor.slots())
        renderRowPositions(slot.number);
    renderFrames();
    renderScrollBar();
}

void FrmDynam::renderRow(int k)
{
    const ParameterRow& row = m_editor.row(k);
    RowWidgets& w = m_rows[static_cast<std::size_t>(k - 1)];
    if (!w.label)
        return; // built, and shown as it stands then, when its slot is first shown
    m_rendering = true;
    // Long texts show from their start.
    const auto show = [](QLineEdit* box, const std::string& text) {
        box->setText(toQString(text));
        box->setCursorPosition(0);
    };
    show(w.name, row.name);
    show(w.defaultValue, row.defaultValue);
    show(w.minimum, row.minimum);
    show(w.maximum, row.maximum);
    QStringList choices;
    for (const std::string& text : row.record.EnumText)
        choices << toQString(text);
    QStringList shown;
    for (int i = 0; i < w.value->count(); ++i)
        shown << w.value->itemText(i);
    if (shown != choices) {
        w.value->clear();
        w.value->addItems(choices);
    }
    w.value->setEditText(toQString(row.value));
    m_rendering = false;
}

void FrmDynam::renderFrames()
{
    const int selected = m_editor.selectedSlot();
    if (selected >= 1)
        buildRowsOf(selected);
    m_rendering = true;
    if (selected >= 1)
        m_tabStrip->setCurrentIndex(selected - 1);
    for (std::size_t i = 0; i < m_frames.size(); ++i)
        m_frames[i]->setVisible(static_cast<int>(i) + 1 == selected);
    m_rendering = false;
}

void FrmDynam::renderScrollBar()
{
    m_rendering = true;
    m_scrollBar->setVisible(m_editor.scrollBarVisible());
    if (m_editor.scrollBarVisible()) {
        m_scrollBar->setRange(0, m_editor.scrollMaximum());
        m_scrollBar->setValue(m_editor.scrollValue());
    }
    m_rendering = false;
}

void FrmDynam::renderRowPositions(int slot)
{
    namespace L = editor_layout;
    for (int k = 1; k <= m_editor.rowCount(); ++k) {
        if (m_editor.row(k).slot != slot)
            continue;
        const int y = toPixelsY(m_editor.rowTop(k));
        const RowWidgets& w = m_rows[static_cast<std::size_t>(k - 1)];
        if (!w.label)
            continue;
        w.label->move(toPixelsX(L::Label0.left), y);
        w.name->move(toPixelsX(L::Text0.left), y);
        w.value->move(toPixelsX(L::Combo0.left), y);
        w.defaultValue->move(toPixelsX(L::Text1.left), y);
        w.minimum->move(toPixelsX(L::Text2.left), y);
        w.maximum->move(toPixelsX(L::Text3.left), y);
    }
}

} // namespace quillon
