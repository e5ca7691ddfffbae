#include "ui/qt/Layouts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QScrollBar>
#include <QSpacerItem>
#include <cstring>

#include "toolkit/qt/PanelView.h"
#include "toolkit/qt/QtToolkit.h"
#include "ui/Krv4Steuerung_uir.h"

// Where each control of each panel sits on the Qt toolkit. The panels'
// definitions (ui/Krv4Steuerung_uir.cpp) say what a panel holds; how it looks
// on the screen is decided here alone.

namespace {

void Prefer(QWidget* w, int width) { w->setMinimumWidth(width); }

int TextWidth(QWidget* w, const char* sample) {
    return w->fontMetrics().horizontalAdvance(QString::fromUtf8(sample));
}

// The error display shared by three panels: lamp, code and text, with the
// port picture beside it.
QHBoxLayout* ErrorRow(PanelBuilder& b, int led, int number, int text, int picture) {
    auto* row = new QHBoxLayout;
    row->addLayout(b.Lamp(led));
    b.NoCap(number);
    b.NoCap(text);
    QWidget* code = b.W(number);
    code->setFixedWidth(TextWidth(code, "-9999999") + 24);
    row->addWidget(code);
    QWidget* message = b.W(text);
    Prefer(message, TextWidth(message, "Keine Antwort vom KRV-4 (Zeitüberschreitung)"));
    row->addWidget(message, 1);
    if (picture) row->addWidget(b.W(picture));
    return row;
}

void LayoutMain(PanelBuilder& b) {
    auto* body = new QHBoxLayout;
    b.Top()->addLayout(body, 1);

    auto* left = new QGridLayout;
    left->addWidget(b.Cap(PANEL_PROGRAMMLISTE), 0, 0, 1, 2);
    QWidget* programs = b.W(PANEL_PROGRAMMLISTE);
    if (auto* box = qobject_cast<QComboBox*>(programs)) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(26);
    }
    left->addWidget(programs, 1, 0, 1, 2);
    left->addWidget(b.Cap(PANEL_LISTBOX), 2, 0, 1, 2);
    // Wide enough for any step name of 20 characters, with room for the
    // scroll bar a long list gets; and only that wide, whatever else the
    // window holds.
    auto* steps = static_cast<QListWidget*>(b.W(PANEL_LISTBOX));
    int names = TextWidth(steps, "WWWWWWWWWWWWWWWWWWWW") + 2 * steps->frameWidth() + 8 +
                steps->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, steps);
    steps->setFixedWidth(names);
    steps->setMinimumHeight(steps->fontMetrics().height() * 11);
    steps->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    steps->setTextElideMode(Qt::ElideNone);
    left->addWidget(steps, 3, 0);
    auto* buttons = new QVBoxLayout;
    for (int id : {PANEL_PRUEFSCHRITTNEU, PANEL_PRUEFSCHRITTLOESCHEN, PANEL_PRUEFSCHRITTKOPIEREN,
                   PANEL_PRUEFSCHRITTEINFUEGEN, PANEL_PRUEFSCHRITTUMBENENNE, PANEL_PRUEFSCHRITTAUFWAERTS,
                   PANEL_PRUEFSCHRITTABWAERTS})
        buttons->addWidget(b.W(id));
    buttons->addStretch(1);
    left->addLayout(buttons, 3, 1);
    left->setRowStretch(3, 1);
    body->addLayout(left);

    auto* groups = new QGridLayout;
    body->addLayout(groups, 1);

    QGroupBox* supply = b.Group(PANEL_DECORATION, PANEL_TEXTMSG);
    auto* s = new QGridLayout(supply);
    s->addWidget(b.W(PANEL_NETZGERAETAKTIV), 0, 0, 1, 3);
    int row = 1;
    for (int id : {PANEL_NETZGERAETU, PANEL_NETZGERAETI}) {
        s->addWidget(b.Cap(id), row, 1);
        s->addWidget(b.W(id), row++, 2);
    }
    s->addWidget(b.W(PANEL_IMPULSAKTIV), row++, 0, 1, 3);
    for (int id : {PANEL_IMPULSAUSSCHALTZEIT, PANEL_IMPULSEINSCHALTZEIT, PANEL_IMPULSZYKLEN}) {
        s->addWidget(b.Cap(id), row, 1);
        s->addWidget(b.W(id), row++, 2);
    }
    s->setColumnMinimumWidth(0, 16);
    s->setColumnStretch(1, 1);
    s->setRowStretch(row, 1);
    groups->addWidget(supply, 0, 0);

    QGroupBox* meters = b.Group(PANEL_DECORATION_2, PANEL_TEXTMSG_2);
    auto* m = new QGridLayout(meters);
    const int instruments[][2] = {
        {PANEL_DRUCKAKTIV, PANEL_DRUCKMESSBEREICH},       {PANEL_VAKUUMAKTIV, PANEL_VAKUUMMESSBEREICH},
        {PANEL_FLOWAKTIV, PANEL_FLOWMESSBEREICH},         {PANEL_RPGAKTIV, PANEL_RPGMESSBEREICH},
        {PANEL_SPANNUNGAKTIV, PANEL_SPANNUNGMESSBEREICH}, {PANEL_STROMAKTIV, PANEL_STROMMESSBEREICH},
    };
    row = 0;
    for (auto [radio, range] : instruments) {
        m->addWidget(b.W(radio), row, 0);
        m->addWidget(b.Cap(range), row, 1);
        QWidget* field = b.W(range);
        Prefer(field, TextWidth(field, "0 - 30,00 kOhm") + 40);
        m->addWidget(field, row++, 2);
    }
    auto* wait = new QHBoxLayout;
    wait->addWidget(b.Cap(PANEL_MESSWARTEZEIT));
    wait->addWidget(b.W(PANEL_MESSWARTEZEIT));
    wait->addWidget(b.W(PANEL_TEXTMSG_4));
    wait->addStretch(1);
    m->addLayout(wait, row++, 0, 1, 3);
    m->addWidget(b.W(PANEL_DIFFERENZMESSUNG), row++, 0, 1, 3);
    m->addWidget(b.W(PANEL_MESSENBISWEITER), row++, 0, 1, 3);
    m->setColumnStretch(2, 1);
    m->setRowStretch(row, 1);
    groups->addWidget(meters, 0, 1);

    QGroupBox* valves = b.Group(PANEL_DECORATION_3, PANEL_TEXTMSG_3);
    auto* v = new QGridLayout(valves);
    const int pairs[][2] = {
        {PANEL_K_BYPASSDS, PANEL_K_BYPASSSS},
        {PANEL_K_DROSSELDS, PANEL_K_DROSSELSS},
        {PANEL_K_OEFFNUNGDS, PANEL_K_OEFFNUNGSS},
        {PANEL_K_EXTDRUCKDS, PANEL_K_EXTDRUCKSS},
    };
    row = 0;
    for (auto [ds, ss] : pairs) {
        v->addWidget(b.W(ds), row, 0);
        v->addWidget(b.W(ss), row++, 1);
    }
    v->addWidget(b.W(PANEL_PNEUMATIKPLAN), row++, 0, Qt::AlignLeft);
    v->setRowStretch(row, 1);
    groups->addWidget(valves, 1, 0);

    QGroupBox* limits = b.Group(PANEL_DECORATION_4, PANEL_TEXTMSG_6);
    auto* l = new QGridLayout(limits);
    row = 0;
    const int limitRows[][2] = {{PANEL_UNTERERGRENZWERT, PANEL_EINHEIT1}, {PANEL_OBERERGRENZWERT, PANEL_EINHEIT2}};
    for (auto [id, unit] : limitRows) {
        l->addWidget(b.Cap(id), row, 0);
        l->addWidget(b.W(id), row, 1);
        QWidget* u = b.W(unit);
        u->setMinimumWidth(TextWidth(u, "nl/min "));
        l->addWidget(u, row++, 2);
    }
    for (int id : {PANEL_GUTINNERHALB, PANEL_GUTAUSSERHALB, PANEL_GRENZENGUT}) l->addWidget(b.W(id), row++, 0, 1, 3);
    l->setColumnStretch(1, 1);
    l->setRowStretch(row, 1);
    groups->addWidget(limits, 1, 1);

    auto* device = new QGridLayout;
    auto* commands = new QHBoxLayout;
    for (int id : {PANEL_DIREKTTEST, PANEL_COMEINSTELLUNGEN}) commands->addWidget(b.W(id));
    // The window has one size whether or not the service button is offered.
    QWidget* service = b.W(PANEL_KALIBRIERUNG);
    QSizePolicy keep = service->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    service->setSizePolicy(keep);
    commands->addWidget(service);
    commands->addStretch(1);
    for (int id : {PANEL_GERAETSCHREIBEN, PANEL_GERAETLESEN, PANEL_GERAETVERGLEICHEN}) commands->addWidget(b.W(id));
    device->addLayout(commands, 0, 0);
    device->addLayout(ErrorRow(b, PANEL_FEHLERLED, PANEL_FEHLERNUMMER, PANEL_FEHLERSTRING, 0), 1, 0);
    device->addWidget(b.W(PANEL_PICTURERING), 0, 1, 2, 1, Qt::AlignRight | Qt::AlignVCenter);
    device->setColumnStretch(0, 1);
    b.Top()->addLayout(device);

    // Arrow steps that suit each field's range; the shown decimals stay.
    const std::pair<int, double> arrowSteps[] = {
        {PANEL_NETZGERAETU, 0.1},         {PANEL_NETZGERAETI, 0.1},         {PANEL_IMPULSAUSSCHALTZEIT, 1.0},
        {PANEL_IMPULSEINSCHALTZEIT, 1.0}, {PANEL_IMPULSZYKLEN, 1},           {PANEL_MESSWARTEZEIT, 1},
        {PANEL_UNTERERGRENZWERT, 0.1},    {PANEL_OBERERGRENZWERT, 0.1},
    };
    for (auto [id, step] : arrowSteps) b.Step(id, step);

    const std::pair<int, QKeySequence> keys[] = {
        {MENU_DATEI_NEU, QKeySequence(Qt::CTRL | Qt::Key_N)},
        {MENU_DATEI_OEFFNEN, QKeySequence(Qt::CTRL | Qt::Key_O)},
        {MENU_DATEI_SPEICHERN, QKeySequence(Qt::CTRL | Qt::Key_S)},
        {MENU_DATEI_SPEICHERNUNTER, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {MENU_DATEI_BEENDEN, QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {MENU_DATEI_DRUCKEN, QKeySequence(Qt::CTRL | Qt::Key_P)},
        {MENU_BEARBEITEN_RUECKGAENGIG, QKeySequence(Qt::CTRL | Qt::Key_Z)},
    };
    for (auto& [item, key] : keys) b.Shortcut(item, key);
    b.Shortcuts(MENU_BEARBEITEN_WIEDERHERSTELLEN,
                {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
}

// Rows that share the height a panel gets when it takes over the main
// panel's size, instead of one empty band below them.
// Most controls keep their height, so each row gets an empty item that may grow.
void SpreadRows(QGridLayout* g, int from = 0) {
    const int rows = g->rowCount(), column = g->columnCount();
    for (int r = from; r < rows; ++r) {
        g->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), r, column);
        g->setRowStretch(r, 1);
    }
}

void LayoutCom(PanelBuilder& b, QWidget* window) {
    auto* groups = new QHBoxLayout;
    b.Top()->addLayout(groups, 1);

    auto* line = new QGroupBox(QStringLiteral("Verbindung"), window);
    auto* g = new QGridLayout(line);
    // The COM number with the device it stands for beside it; below, the
    // pick list to give the number another device, and what to do when it
    // did not open.
    auto* choice = new QHBoxLayout;
    choice->addWidget(b.Cap(COMPANEL_PORT));
    choice->addWidget(b.W(COMPANEL_PORT));
    choice->addSpacing(12);
    QWidget* device = b.W(COMPANEL_GERAET);
    Prefer(device, TextWidth(device, "COM 1 = /dev/ttyUSB0 · FTDI FT232R USB UART · A10K3XYZ"));
    choice->addWidget(device, 1);
    choice->addWidget(b.W(COMPANEL_PICTURERING));
    g->addLayout(choice, 0, 0, 1, 2);
    auto* pick = new QHBoxLayout;
    pick->addWidget(b.Cap(COMPANEL_GERAETWAHL));
    QWidget* devices = b.W(COMPANEL_GERAETWAHL);
    if (auto* box = qobject_cast<QComboBox*>(devices)) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(36);
    }
    pick->addWidget(devices);
    pick->addStretch(1);
    pick->addSpacing(16);
    pick->addWidget(b.Cap(COMPANEL_ADRESSE));
    pick->addWidget(b.W(COMPANEL_ADRESSE));
    g->addLayout(pick, 1, 0, 1, 2);
    QWidget* hint = b.W(COMPANEL_HINWEIS);
    hint->setStyleSheet(QStringLiteral("color: #b00000;"));
    g->addWidget(hint, 2, 0, 1, 2);
    // The scan's lamps close beside their button, what the scan is doing
    // right after them.
    g->addWidget(b.W(COMPANEL_SCANN), 3, 0);
    auto* lamps = new QHBoxLayout;
    lamps->setSpacing(10);
    for (int id = COMPANEL_LED1; id <= COMPANEL_LED9; ++id) lamps->addLayout(b.Lamp(id));
    lamps->addSpacing(16);
    QWidget* progress = b.W(COMPANEL_TEXT);
    Prefer(progress, TextWidth(progress, "Suche nach Gerät 9 ..."));
    lamps->addWidget(progress, 1);
    g->addLayout(lamps, 3, 1);
    g->addWidget(b.W(COMPANEL_IDLESEN), 4, 0);
    auto* id = new QHBoxLayout;
    id->addWidget(b.Cap(COMPANEL_IDSTRING));
    QWidget* ident = b.W(COMPANEL_IDSTRING);
    int idWidth = TextWidth(ident, "QVLKRV4-TST1-0000000000 V 9.99") + 24;
    ident->setMinimumWidth(idWidth);
    ident->setMaximumWidth(idWidth * 3 / 2);
    id->addWidget(ident, 1);
    id->addStretch(0);
    g->addLayout(id, 4, 1);
    g->setColumnStretch(1, 1);
    SpreadRows(g);
    groups->addWidget(line, 1);

    // The device's commands on top, its status bits as a list below them.
    auto* status = new QGroupBox(QStringLiteral("Gerätestatus"), window);
    auto* st = new QGridLayout(status);
    st->addWidget(b.W(COMPANEL_START), 0, 0);
    st->addWidget(b.W(COMPANEL_STOPP), 0, 1);
    st->addWidget(b.W(COMPANEL_STATUSABFRAGE), 1, 0, 1, 2);
    int row = 2;
    for (int id : {COMPANEL_LEDSTATUS0, COMPANEL_LEDSTATUS1, COMPANEL_LEDSTATUS2, COMPANEL_LEDSTATUS3,
                   COMPANEL_LEDSTATUS6}) {
        auto* lamp = new QHBoxLayout;
        lamp->addLayout(b.Lamp(id));
        lamp->addStretch(1);
        st->addLayout(lamp, row++, 0, 1, 2);
    }
    SpreadRows(st);
    groups->addWidget(status);

    auto* bottom = ErrorRow(b, COMPANEL_FEHLERLED, COMPANEL_FEHLERNUMMER, COMPANEL_FEHLERSTRING, 0);
    bottom->addSpacing(12);
    bottom->addWidget(b.W(COMPANEL_ZURUECK));
    b.Top()->addLayout(bottom);
}

void LayoutKal(PanelBuilder& b, QWidget* window) {
    struct Kanal {
        int bisher, v, off, neu;
    };
    const Kanal kanaele[] = {
        {KALPANEL_USOLLBISHER, KALPANEL_USOLLV, KALPANEL_USOLLOFF, KALPANEL_USOLLNEU},
        {KALPANEL_ISOLLBISHER, KALPANEL_ISOLLV, KALPANEL_ISOLLOFF, KALPANEL_ISOLLNEU},
        {KALPANEL_DRUCKBISHER, KALPANEL_DRUCKV, KALPANEL_DRUCKOFF, KALPANEL_DRUCKNEU},
        {KALPANEL_VAKUUMBISHER, KALPANEL_VAKUUMV, KALPANEL_VAKUUMOFF, KALPANEL_VAKUUMNEU},
        {KALPANEL_FLOWBISHER, KALPANEL_FLOWV, KALPANEL_FLOWOFF, KALPANEL_FLOWNEU},
        {KALPANEL_RPG30BISHER, KALPANEL_RPG30V, KALPANEL_RPG30OFF, KALPANEL_RPG30NEU},
        {KALPANEL_RPG300BISHER, KALPANEL_RPG300V, KALPANEL_RPG300OFF, KALPANEL_RPG300NEU},
        {KALPANEL_RPG3KBISHER, KALPANEL_RPG3KV, KALPANEL_RPG3KOFF, KALPANEL_RPG3KNEU},
        {KALPANEL_RPG30KBISHER, KALPANEL_RPG30KV, KALPANEL_RPG30KOFF, KALPANEL_RPG30KNEU},
        {KALPANEL_UISTBISHER, KALPANEL_UISTV, KALPANEL_UISTOFF, KALPANEL_UISTNEU},
        {KALPANEL_IISTBISHER, KALPANEL_IISTV, KALPANEL_IISTOFF, KALPANEL_IISTNEU},
    };
    auto* body = new QHBoxLayout;
    b.Top()->addLayout(body, 1);

    auto* table = new QGroupBox(window);
    auto* t = new QGridLayout(table);
    // The headings sit on their columns, however tall the panel is.
    const Qt::Alignment onColumn = Qt::AlignHCenter | Qt::AlignBottom;
    t->addWidget(b.Note(QStringLiteral("Werte holen von")), 0, 0, onColumn);
    t->addWidget(b.Cap(kanaele[0].v), 0, 1, onColumn);
    t->addWidget(b.Cap(kanaele[0].off), 0, 2, onColumn);
    t->addWidget(b.Note(QStringLiteral("Werte übernehmen als")), 0, 3, onColumn);
    int row = 1;
    for (const Kanal& k : kanaele) {
        if (&k != &kanaele[0]) {
            b.NoCap(k.v);
            b.NoCap(k.off);
        }
        t->addWidget(b.W(k.bisher), row, 0);
        t->addWidget(b.W(k.v), row, 1);
        t->addWidget(b.W(k.off), row, 2);
        t->addWidget(b.W(k.neu), row++, 3);
    }
    SpreadRows(t, 1);
    body->addWidget(table, 1);

    auto* side = new QVBoxLayout;
    auto* calc = new QGroupBox(window);
    auto* c = new QGridLayout(calc);
    row = 0;
    const int points[][2] = {{KALPANEL_SOLL1, KALPANEL_IST1}, {KALPANEL_SOLL2, KALPANEL_IST2}};
    for (auto [a, z] : points) {
        c->addWidget(b.Cap(a), row, 1);
        c->addWidget(b.W(a), row, 2);
        c->addWidget(b.Cap(z), row, 3);
        c->addWidget(b.W(z), row++, 4);
    }
    c->setRowMinimumHeight(row++, 8);
    c->addWidget(b.Note(QStringLiteral("V/Off bisher")), row, 0);
    c->addWidget(b.Cap(KALPANEL_VBISHER), row, 1);
    c->addWidget(b.W(KALPANEL_VBISHER), row, 2);
    c->addWidget(b.Cap(KALPANEL_OFFBISHER), row, 3);
    c->addWidget(b.W(KALPANEL_OFFBISHER), row++, 4);
    c->addWidget(b.Note(QStringLiteral("V/Off neu")), row, 0);
    c->addWidget(b.Cap(KALPANEL_VNEU), row, 1);
    c->addWidget(b.W(KALPANEL_VNEU), row, 2);
    c->addWidget(b.Cap(KALPANEL_OFFNEU), row, 3);
    c->addWidget(b.W(KALPANEL_OFFNEU), row++, 4);
    // Captions stay beside their fields when the panel is wider.
    for (QLabel* caption : calc->findChildren<QLabel*>()) caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    c->setColumnStretch(2, 1);
    c->setColumnStretch(4, 1);
    SpreadRows(c);
    side->addWidget(calc, 1);

    auto* files = new QGridLayout;
    files->addWidget(b.W(KALPANEL_LADEN), 0, 0);
    files->addWidget(b.W(KALPANEL_SPEICHERN), 0, 1);
    files->addWidget(b.W(KALPANEL_KRV4LESEN), 1, 0);
    files->addWidget(b.W(KALPANEL_KRV4SCHREIBEN), 1, 1);
    side->addLayout(files);
    auto* back = new QHBoxLayout;
    back->addStretch(1);
    back->addWidget(b.W(KALPANEL_ZURUECK));
    side->addLayout(back);
    body->addLayout(side);

    b.Top()->addLayout(
        ErrorRow(b, KALPANEL_FEHLERLED, KALPANEL_FEHLERNUMMER, KALPANEL_FEHLERSTRING, KALPANEL_PICTURERING));
}

void LayoutInfo(PanelBuilder& b) {
    auto* body = new QHBoxLayout;
    body->setSpacing(20);
    body->addWidget(b.W(INFOPANEL_PICTURE), 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    QWidget* name = b.W(INFOPANEL_TEXTMSG_3);
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    name->setFont(big);
    texts->addWidget(name);
    texts->addSpacing(8);
    texts->addWidget(b.W(INFOPANEL_VERSION));
    texts->addWidget(b.W(INFOPANEL_DATUM));
    texts->addSpacing(14);
    texts->addWidget(b.W(INFOPANEL_TEXTMSG));
    texts->addWidget(b.W(INFOPANEL_TEXTMSG_2));
    texts->addStretch(1);
    body->addLayout(texts, 1);
    b.Top()->addLayout(body);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    QWidget* ok = b.W(INFOPANEL_OK);
    ok->setMinimumWidth(90);
    buttons->addWidget(ok);
    b.Top()->addLayout(buttons);
    b.EnterPresses(INFOPANEL_OK);
    b.EscapePresses(INFOPANEL_OK);
}

void LayoutPlan(PanelBuilder& b) {
    b.Top()->addWidget(b.W(PLANPANEL_PICTURE), 1, Qt::AlignHCenter);
    auto* row = new QHBoxLayout;
    row->addWidget(b.W(PLANPANEL_TEXTMSG), 1);
    QWidget* ok = b.W(PLANPANEL_OK);
    ok->setMinimumWidth(90);
    row->addWidget(ok);
    b.Top()->addLayout(row);
    b.EnterPresses(PLANPANEL_OK);
    b.EscapePresses(PLANPANEL_OK);
}

void LayoutString(PanelBuilder& b) {
    b.Top()->addWidget(b.Cap(STRINGPNL_STRING));
    QWidget* edit = b.W(STRINGPNL_STRING);
    Prefer(edit, TextWidth(edit, "MMMMMMMMMMMMMMMMMMMMMM"));
    b.Top()->addWidget(edit);
}

void LayoutProgress(PanelBuilder& b) {
    b.Top()->setContentsMargins(24, 20, 24, 20);
    QWidget* text = b.W(FORTSCHPNL_TEXT);
    Prefer(text, TextWidth(text, "Vergleiche Programm 16 Schritt 10 ..."));
    if (auto* label = qobject_cast<QLabel*>(text)) label->setAlignment(Qt::AlignCenter);
    b.Top()->addWidget(text);
    b.Top()->addSpacing(8);
    b.Top()->addWidget(b.W(FORTSCHPNL_BALKEN));
}

void Krv4Layout(PanelBuilder& b) {
    const char* name = b.PanelName();
    auto is = [name](const char* n) { return std::strcmp(name, n) == 0; };
    if (is("PANEL")) LayoutMain(b);
    else if (is("COMPANEL")) LayoutCom(b, b.Window());
    else if (is("KALPANEL")) LayoutKal(b, b.Window());
    else if (is("INFOPANEL")) LayoutInfo(b);
    else if (is("PLANPANEL")) LayoutPlan(b);
    else if (is("STRINGPNL")) LayoutString(b);
    else if (is("FORTSCHPNL")) LayoutProgress(b);
}

}  // namespace

void InstallKrv4QtLook() {
    SetQtPanelLayout(Krv4Layout);
    SetQtFileTypeName("krv", "KRV-4-Prüfprogramme");
    SetQtFileTypeName("krk", "KRV-4-Kalibrierdaten");
    SetQtFileTypeName("pdf", "PDF-Dokumente");
}
