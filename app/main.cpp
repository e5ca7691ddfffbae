#include <string>
#include <vector>

#include "app/Krv4Steuerung.h"
#include "platform/Datei.h"
#include "toolkit/Toolkit.h"
#include "toolkit/qt/QtToolkit.h"
#include "ui/qt/Layouts.h"

int main(int argc, char* argv[]) {
    // The program's own arguments are judged as they were given: Qt takes
    // its options (-platform, -reverse, ...) out of argv.
    std::vector<std::string> given = DateiAufrufargumente(argc, argv);
    std::vector<char*> args;
    for (std::string& a : given) args.push_back(a.data());
    args.push_back(nullptr);

    SetToolkitBackend(CreateQtBackend(argc, argv, {}, kFehlercodeStart));
    InstallKrv4QtLook();
    LoadQtTranslations();
    int code = Krv4SteuerungAusfuehren(static_cast<int>(given.size()), args.data());
    // The widgets go while Qt is still complete, not among the static
    // objects at exit.
    SetToolkitBackend(nullptr);
    return code;
}
