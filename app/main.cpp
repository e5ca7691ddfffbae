#include "app/Krv4Steuerung.h"
#include "toolkit/Toolkit.h"
#include "toolkit/qt/QtToolkit.h"

int main(int argc, char* argv[]) {
    SetToolkitBackend(CreateQtBackend(argc, argv));
    LoadQtTranslations();
    int code = Krv4SteuerungAusfuehren(argc, argv);
    // The widgets go while Qt is still complete, not among the static
    // objects at exit.
    SetToolkitBackend(nullptr);
    return code;
}
