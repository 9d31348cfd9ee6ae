#include "scanner/gui/Program.h"

#include "framework/Application.h"
#include "runtime/Exceptions.h"
#include "scanner/gui/MainForm.h"

int RunQuorvel(const std::vector<std::string>& args) {
    InitFramework();
    try {
        if (!Application->Initialize(args))
            return 0; // registration switch: ends before any window exists
        Application->CreateForm(Form1);
        Application->Run();
    } catch (const Exception&) {
        Application->HandleException(Application);
    } catch (...) {
        // Not one of the program's errors: shown by the runtime display, and the run reports failure
        // instead of ending the process abnormally.
        Application->HandleException(Application);
        return 1;
    }
    return 0;
}
