// What "Speichern" must not do to a file: overwrite one that is
// write-protected, or die half-way at a file-size limit.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "editor/Editor.h"
#include "storage/Dateifunktionen.h"

namespace {

class SafeSaveTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        alt = dir.Datei("schutz.krv");
        ui->AnswerFileSelect(VAL_NEW_FILE_SELECTED, alt);
        ChooseMenu(panelHandle, MENU_DATEI_SPEICHERNUNTER);
        altInhalt = Lesen(alt);
        ASSERT_EQ(altInhalt.size(), kDateiGroesse);
        Press(panelHandle, PANEL_PRUEFSCHRITTNEU);  // unsaved change
        ASSERT_TRUE(gDatenGeaendert);
        ui->ClearShown();
    }
    Testverzeichnis dir;
    std::string alt;
    Bytes altInhalt;
};

// The super-user may write any file; the save runs as nobody then, in a
// folder nobody may write, so that only the file's own mode stands in the way.
class AlsNiemand {
public:
    AlsNiemand() : root_(geteuid() == 0) {
        ok_ = !root_ || seteuid(65534) == 0;
    }
    ~AlsNiemand() {
        if (root_ && ok_) {
            EXPECT_EQ(seteuid(0), 0);
        }
    }
    bool ok() const { return ok_; }

private:
    bool root_;
    bool ok_ = false;
};

TEST_F(SafeSaveTest, AWriteProtectedFileIsRefusedBeforeAnythingIsWritten) {
    chmod(dir.Pfad().c_str(), 0777);
    std::string frei = dir.Datei("frei.krv");
    Schreiben(frei, Bytes(5, 1));
    chmod(frei.c_str(), 0666);
    chmod(alt.c_str(), 0444);
    struct stat vorher {};
    ASSERT_EQ(stat(alt.c_str(), &vorher), 0);
    const std::string titel = Title(panelHandle);
    {
        AlsNiemand niemand;
        if (!niemand.ok()) GTEST_SKIP() << "läuft als root und kann nicht zu nobody wechseln";
        ui->AnswerMessage();
        ChooseMenu(panelHandle, MENU_DATEI_SPEICHERN);
        ASSERT_EQ(ui->Shown().size(), 1u);
        EXPECT_EQ(ui->Shown()[0].title, "Fehler #301000");
        EXPECT_EQ(ui->Shown()[0].message, "Fehler beim Schreiben auf Datei");
        EXPECT_EQ(gDateiname, alt);
        EXPECT_EQ(Title(panelHandle), titel);
        EXPECT_TRUE(gDatenGeaendert);

        // The same user may replace a file it may write, in the same folder.
        ui->AnswerFileSelect(VAL_EXISTING_FILE_SELECTED, frei);
        ChooseMenu(panelHandle, MENU_DATEI_SPEICHERNUNTER);
        EXPECT_EQ(Lesen(frei).size(), kDateiGroesse);
        EXPECT_FALSE(gDatenGeaendert);
    }
    struct stat nachher {};
    ASSERT_EQ(stat(alt.c_str(), &nachher), 0);
    EXPECT_EQ(Lesen(alt), altInhalt);
    EXPECT_EQ(nachher.st_ino, vorher.st_ino);
    EXPECT_EQ(nachher.st_mtim.tv_sec, vorher.st_mtim.tv_sec);
    EXPECT_EQ(nachher.st_mtim.tv_nsec, vorher.st_mtim.tv_nsec);
    EXPECT_EQ(nachher.st_mode & 07777, 0444u);
    EXPECT_EQ(dir.Eintraege(), (std::vector<std::string>{"frei.krv", "schutz.krv"}));
}

// A file-size limit below the block: the kernel raises SIGXFSZ, whose
// default ends the process. The save runs in a child with that default.
TEST_F(SafeSaveTest, AFileSizeLimitFailsTheSaveInsteadOfEndingTheProgram) {
    std::string titel = Title(panelHandle);
    pid_t kind = fork();
    ASSERT_GE(kind, 0);
    if (kind == 0) {
        signal(SIGXFSZ, SIG_DFL);
        struct rlimit knapp {};
        getrlimit(RLIMIT_FSIZE, &knapp);
        knapp.rlim_cur = 4096;
        if (setrlimit(RLIMIT_FSIZE, &knapp) != 0) _exit(10);
        int status = DateiSpeichern(0);
        bool gezeigt = ui->Shown().size() == 0;  // the caller shows the code
        bool gleich = std::string(gDateiname) == alt && gDatenGeaendert && Title(panelHandle) == titel;
        _exit(status != -301000 ? 11 : !gleich ? 12 : !gezeigt ? 13 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(kind, &status, 0), kind);
    ASSERT_FALSE(WIFSIGNALED(status)) << "Signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Lesen(alt), altInhalt);
    EXPECT_EQ(dir.Eintraege(), std::vector<std::string>{"schutz.krv"});
}

// A file with a second name (a hard link) in a folder the saver may not
// write, as nobody: both names get the new content, or both keep the old when
// the disk takes only part of it.
TEST_F(SafeSaveTest, AHardLinkedFileIsNeverSplitAndSurvivesACutWrite) {
    if (geteuid() != 0) GTEST_SKIP() << "needs the super-user to act as nobody";
    std::string zweit = dir.Datei("zweit.krv");
    ASSERT_EQ(link(alt.c_str(), zweit.c_str()), 0);
    ASSERT_EQ(chmod(alt.c_str(), 0666), 0);
    ASSERT_EQ(chmod(dir.Pfad().c_str(), 0555), 0);
    auto alsNiemand = [](rlim_t grenze) {
        return AlsNiemandAufKnapperPlatte(grenze, [] {
            int status = DateiSpeichern(0);
            return status == 0 ? 0 : status == -301000 ? 1 : 2;
        });
    };
    // The disk takes 4096 bytes: not even the copy of the old content fits.
    EXPECT_EQ(alsNiemand(4096), 1);
    EXPECT_EQ(Lesen(alt), altInhalt);
    EXPECT_EQ(Lesen(zweit), altInhalt);

    struct stat vorher {};
    ASSERT_EQ(stat(alt.c_str(), &vorher), 0);
    EXPECT_EQ(alsNiemand(RLIM_INFINITY), 0);
    struct stat nachher {};
    ASSERT_EQ(stat(alt.c_str(), &nachher), 0);
    EXPECT_NE(Lesen(alt), altInhalt);
    EXPECT_EQ(Lesen(alt).size(), kDateiGroesse);
    EXPECT_EQ(Lesen(zweit), Lesen(alt));
    EXPECT_EQ(nachher.st_ino, vorher.st_ino);
    EXPECT_EQ(nachher.st_nlink, 2u);
    chmod(dir.Pfad().c_str(), 0755);
    EXPECT_EQ(dir.Eintraege(), (std::vector<std::string>{"schutz.krv", "zweit.krv"}));
}

}  // namespace
