#pragma once

#include <windows.h>

class TControl;
class TForm;
class TObject;

// The program around the windows, as the windows see it: the error display, the hidden window that owns
// every top-level window, the program's icon and the main form, whose closing ends the message loop. The
// application object (Application.h) is the host and registers itself while it exists; controls, forms
// and hints reach it only through here, so none of them depends on the application. Without it the plain
// host stands in: errors go unshown, windows have no owner and no form is the main one.
class TWindowHost {
public:
    // Call only inside a catch handler: shows std::current_exception().
    virtual void HandleException(TObject*) {}
    // Called by a control while it is destroyed, so nothing refers to it afterwards.
    virtual void ControlDestroyed(TControl*) {}
    virtual HWND Handle() const { return nullptr; } // the owner of forms, hints and dialogs
    virtual HICON Icon() const { return nullptr; }
    virtual TForm* MainForm() const { return nullptr; }
    virtual void Terminate() {} // ends the message loop

protected:
    ~TWindowHost() = default;
};

// The registered host, or the plain one while there is none (before InitFramework, after DoneFramework).
TWindowHost& WindowHost();
// Registers `host` (not owned); nullptr brings the plain host back.
void SetWindowHost(TWindowHost* host);
