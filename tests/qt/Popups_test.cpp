#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

#include <QTreeView>

#include "qt/QtFixture.h"
#include "toolkit/qt/Cp1252.h"

namespace {

enum class Answer { ClickSecond, Enter, Escape, Space };

struct GenericCase {
    const char* third;  // "" shows no third button
    int active, enter, escape;
    Answer answer;
    int expected;
};

void PrintTo(const GenericCase& c, std::ostream* os) {
    *os << "active " << c.active << " enter " << c.enter << " escape " << c.escape << " answer "
        << static_cast<int>(c.answer) << (*c.third ? "" : " two buttons");
}

class GenericPopup : public QtToolkitTest, public ::testing::WithParamInterface<GenericCase> {};

std::vector<QPushButton*> Buttons(QMessageBox* box) {
    std::vector<QPushButton*> shown;
    for (QAbstractButton* b : box->buttons())
        if (auto* p = qobject_cast<QPushButton*>(b); p && p->isVisible()) shown.push_back(p);
    std::sort(shown.begin(), shown.end(), [](QPushButton* a, QPushButton* b) { return a->x() < b->x(); });
    return shown;
}

// Keys go where a person's keys go: to the button with the focus first.
TEST_P(GenericPopup, ReturnsTheButtonThePersonChose) {
    const GenericCase& c = GetParam();
    std::vector<QString> labels;
    QString focused;
    WhenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        std::vector<QPushButton*> buttons = Buttons(box);
        for (QPushButton* b : buttons) labels.push_back(b->text());
        QWidget* focus = box->focusWidget();
        if (auto* f = qobject_cast<QPushButton*>(focus)) focused = f->text();
        switch (c.answer) {
            case Answer::ClickSecond: Click(buttons.at(1)); break;
            case Answer::Enter: Key(focus, Qt::Key_Return); break;
            case Answer::Escape: Key(focus, Qt::Key_Escape); break;
            case Answer::Space: Key(focus, Qt::Key_Space, QStringLiteral(" ")); break;
        }
    });
    int result = GenericMessagePopup("Daten zum KRV-4 schreiben", "Welche Programme?", "aktuelles", "alle", c.third,
                                     c.active, c.enter, c.escape);
    EXPECT_EQ(result, c.expected);
    std::vector<QString> expected = {Q(u"aktuelles"), Q(u"alle")};
    if (*c.third) expected.push_back(QString::fromLatin1(c.third));
    EXPECT_EQ(labels, expected);
    EXPECT_EQ(focused, expected.at(c.active - 1)) << "the active button has the focus";
}

INSTANTIATE_TEST_SUITE_P(Qt, GenericPopup,
                         ::testing::Values(GenericCase{"abbrechen", 2, 2, 3, Answer::ClickSecond, 2},
                                           GenericCase{"abbrechen", 2, 2, 3, Answer::Enter, 2},
                                           GenericCase{"abbrechen", 2, 2, 3, Answer::Escape, 3},
                                           // Enter and Escape are what was passed, not the focused button
                                           GenericCase{"abbrechen", 1, 3, 2, Answer::Enter, 3},
                                           GenericCase{"abbrechen", 1, 3, 2, Answer::Escape, 2},
                                           GenericCase{"abbrechen", 1, 3, 2, Answer::Space, 1},
                                           GenericCase{"", 1, 1, 2, Answer::Escape, 2}));

TEST_F(QtToolkitTest, MessagePopupShowsItsTextPlainWithOneButton) {
    QString text;
    int buttons = 0;
    WhenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        text = box->text();
        buttons = static_cast<int>(box->buttons().size());
        Key(box->focusWidget(), Qt::Key_Return);
    });
    MessagePopup("Fehler", "<b>Prüfschrittname</b> ungültig");
    EXPECT_EQ(text, Q(u"<b>Prüfschrittname</b> ungültig"));
    EXPECT_EQ(buttons, 1);
}

struct FileCase {
    int buttonKind;
    const char16_t* typed;  // empty: cancel
    int expected;
    const char16_t* chosen;
};

void PrintTo(const FileCase& c, std::ostream* os) {
    *os << (c.buttonKind == VAL_SAVE_BUTTON ? "save " : "load ") << QString::fromUtf16(c.typed).toStdString();
}

class FileSelect : public QtToolkitTest, public ::testing::WithParamInterface<FileCase> {};

// Qt's own dialog, in German, held to the extension asked for; the path
// comes whole as the system names it, in a folder whose name the code page
// cannot show and whose path is longer than the old limit of 260 bytes.
TEST_P(FileSelect, ReturnsWhatWasChosenWithTheExtension) {
    const FileCase& c = GetParam();
    ASSERT_TRUE(LoadQtTranslations());
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    QString tief = Q(u"Łódź");
    for (int i = 0; i < 3; ++i) tief += QLatin1Char('/') + QString(100, QLatin1Char('a' + i));
    ASSERT_TRUE(QDir(root.path()).mkpath(tief));
    QDir dir(root.filePath(tief));
    ASSERT_GT(dir.path().toUtf8().size(), 300);
    QFile existing(dir.filePath(QStringLiteral("alt.krv")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();

    QString cancelText, title;
    bool native = true;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
        title = dialog->windowTitle();
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        ASSERT_NE(buttons, nullptr);
        cancelText = buttons->button(QDialogButtonBox::Cancel)->text();
        if (!*c.typed) {
            Click(buttons->button(QDialogButtonBox::Cancel));
            return;
        }
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QString::fromUtf16(c.typed));
        QPushButton* accept = buttons->button(c.buttonKind == VAL_SAVE_BUTTON ? QDialogButtonBox::Save
                                                                               : QDialogButtonBox::Open);
        Click(accept);
    });
    std::string path = "unverändert";
    std::string directory = ToFileName(dir.path());
    int result = FileSelectPopup(directory.c_str(), "*.krv", "*.krv", "Öffnen", c.buttonKind, 0, 1, 1, 1, path);
    EXPECT_EQ(result, c.expected);
    EXPECT_FALSE(native);
    EXPECT_EQ(cancelText, Q(u"Abbrechen"));
    EXPECT_EQ(title, Q(u"Öffnen"));
    if (c.expected <= VAL_NO_FILE_SELECTED) {
        EXPECT_EQ(path, "");
    } else {
        EXPECT_EQ(QDir::fromNativeSeparators(FromFileName(path)), dir.filePath(QString::fromUtf16(c.chosen)));
#ifndef _WIN32
        EXPECT_EQ(path, dir.filePath(QString::fromUtf16(c.chosen)).toStdString());  // UTF-8 bytes
#endif
    }
}

INSTANTIATE_TEST_SUITE_P(Qt, FileSelect,
                         ::testing::Values(FileCase{VAL_SAVE_BUTTON, u"neu", VAL_NEW_FILE_SELECTED, u"neu.krv"},
                                           FileCase{VAL_SAVE_BUTTON, u"neu.txt", VAL_NEW_FILE_SELECTED,
                                                    u"neu.txt.krv"},
                                           FileCase{VAL_SAVE_BUTTON, u"Prüfung", VAL_NEW_FILE_SELECTED,
                                                    u"Prüfung.krv"},
                                           FileCase{VAL_LOAD_BUTTON, u"alt", VAL_EXISTING_FILE_SELECTED,
                                                    u"alt.krv"},
                                           FileCase{VAL_LOAD_BUTTON, u"", VAL_NO_FILE_SELECTED, u""},
                                           // a name the code page cannot hold is the file's all the same
                                           FileCase{VAL_SAVE_BUTTON, u"Prüfung \u2603", VAL_NEW_FILE_SELECTED,
                                                    u"Prüfung \u2603.krv"}));

// The dialog names the program's file type in its filter and type column,
// shows sizes and dates in German, and is wide enough that they read whole.
TEST_F(QtToolkitTest, FileDialogNamesTheTypeAndReadsGermanAndWhole) {
    ASSERT_TRUE(LoadQtTranslations());
    // Names come in UTF-8, as the program's Qt layouts give them.
    SetQtFileTypeName("krv", reinterpret_cast<const char*>(u8"KRV-4-Prüfprogramme"));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("Serie A.krv")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(21040, '\0'));
    file.close();
    QDateTime stamp(QDate(2026, 3, 7), QTime(9, 5));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(stamp, QFileDevice::FileModificationTime));
    file.close();

    QStringList filters;
    QString size, type, date;
    bool whole = false;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        auto* tree = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_NE(tree, nullptr);
        QAbstractItemModel* model = tree->model();
        RunUntil([&] { return tree->rootIndex().isValid() && model->rowCount(tree->rootIndex()) > 0; }, 3000);
        QApplication::processEvents();
        QModelIndex row = model->index(0, 0, tree->rootIndex());
        size = model->index(0, 1, tree->rootIndex()).data().toString();
        type = model->index(0, 2, tree->rootIndex()).data().toString();
        date = model->index(0, 3, tree->rootIndex()).data().toString();
        whole = row.isValid();
        for (int column = 0; column < 4; ++column) {
            int needed = tree->fontMetrics().horizontalAdvance(model->index(0, column, tree->rootIndex()).data().toString());
            if (tree->header()->sectionSize(column) < needed) whole = false;
        }
        dialog->reject();
    });
    std::string path;
    std::string directory = ToFileName(dir.path());
    FileSelectPopup(directory.c_str(), "*.krv", "*.krv", "Öffnen", VAL_LOAD_BUTTON, 0, 1, 1, 0, path);
    EXPECT_EQ(filters, QStringList{Q(u"KRV-4-Prüfprogramme (*.krv)")});
    EXPECT_EQ(size, Q(u"20,55 KiB"));
    EXPECT_EQ(type, Q(u"KRV-4-Prüfprogramme"));
    EXPECT_EQ(date, Q(u"07.03.2026 09:05"));
    EXPECT_TRUE(whole);
}

}  // namespace
