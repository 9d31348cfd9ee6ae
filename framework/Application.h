#pragma once

#include "framework/Component.h"
#include "framework/Graphics.h"
#include "framework/WindowHost.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class Exception;
class TControl;
class TForm;
class THintWindow;

// The command-line words of the automation support: "/" or "-" followed by the word, any case.
struct TAutomationSwitches {
    bool Automation = false;
    bool Embedding = false;
    bool RegServer = false;
    bool UnregServer = false;
};
TAutomationSwitches FindAutomationSwitches(const std::vector<std::string>& args);

// The application title made of a module path (UTF-8): the file name without its folder, cut at its
// first ".", the first character kept and the rest in lower case.
std::string ApplicationTitleFromPath(const std::string& modulePath);
// The program's own file name, whole and in UTF-8.
std::string ModuleFileName();

// The program around its windows: the hidden application window, the message loop, the error
// display and the hints. One instance, `Application`, made by InitFramework; it is the windows' host
// while it exists.
class TApplication : public TComponent, public TWindowHost {
public:
    using TMessageBoxHook =
        std::function<int(HWND owner, const std::string& text, const std::string& caption, unsigned flags)>;
    using TExceptionEvent = std::function<void(TObject* sender, const Exception& error)>;

    explicit TApplication(TComponent* owner);
    ~TApplication() override;

    // Runs the automation start hook. False when "REGSERVER" or "UNREGSERVER" asks the program to end
    // before any window is made.
    bool Initialize(const std::vector<std::string>& args);

    // Sets `reference` before the form's constructor runs and clears it again if the constructor fails.
    // The first form made this way becomes the main form and gets its window at once (hidden).
    template <class TFormClass> void CreateForm(TFormClass*& reference);

    void Run();                // shows the main form and handles messages until Terminated()
    void Terminate() override; // posts the quit message
    bool Terminated() const { return terminated_; }
    void HandleMessage();   // one message, or the idle processing and a wait for the next one
    void ProcessMessages(); // every waiting message, without waiting
    void Idle();            // the idle processing: mouse enter/leave and the hint state

    // Call only inside a catch handler: shows std::current_exception() through the error display.
    void HandleException(TObject* sender) override;
    void ShowException(const Exception& error);

    HWND Handle() const override { return handle_; } // hidden application window
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);
    HICON Icon() const override { return icon_; }
    TForm* MainForm() const override { return mainForm_; } // not owned separately: the application owns it
    bool Active() const;                                   // the active window belongs to this thread

    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    unsigned HintPause = 500;
    unsigned HintShortPause = 50;
    unsigned HintHidePause = 2500;
    TColor HintColor = clInfoBk;
    THintWindow* HintWindow() const { return hintWindow_.get(); } // exists while hints are on
    TControl* HintControl() const { return hintControl_; }        // the control whose hint shows
    void CancelHint();

    TControl* MouseControl() const { return mouseControl_; } // the control last found under the mouse

    // Test seam: when set, the error display calls it instead of MessageBoxA.
    TMessageBoxHook MessageBoxHook;
    // When set, replaces the default error display for Exception errors.
    TExceptionEvent OnException;

    // Called by a control while it is destroyed, so nothing here refers to it afterwards.
    void ControlDestroyed(TControl* control) override;
    // A form made by CreateForm; the first one becomes the main form.
    void FormCreated(TForm* form);
    // A message from the queue before it is dispatched: hints, then dialog keys. True when consumed.
    bool PreProcessMessage(MSG& msg);

private:
    struct HintWatcher;
    static LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam);

    LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool ProcessMessage(MSG& msg);
    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags);
    void ShowRuntimeError(const std::string& text);
    void HintMouseMessage(TControl* control, const MSG& msg);
    void HintTimerExpired();
    void ActivateHint();
    void StartHintTimer(unsigned interval, bool hiding);
    void StopHintTimer();
    void HookHintHooks();
    void UnhookHintHooks();
    bool IsDialogKeyMessage(MSG& msg);

    HWND handle_ = nullptr;
    HICON icon_ = nullptr;
    std::string title_;
    TForm* mainForm_ = nullptr;        // not owned separately; cleared by ControlDestroyed
    TControl* mouseControl_ = nullptr; // not owned; cleared by ControlDestroyed
    TControl* hintControl_ = nullptr;  // not owned; cleared by ControlDestroyed
    std::unique_ptr<THintWindow> hintWindow_;
    std::atomic<bool> terminated_{false}; // read by worker threads too
    bool running_ = false;
    bool showHint_ = false;
    bool hintActive_ = false; // a hint is on the screen
    bool hintTimerRunning_ = false;
    bool hintTimerHides_ = false; // the running timer ends the hint instead of showing it
    POINT hintCursor_{};          // where the pointer was when the hint timer started
    HHOOK hintHook_ = nullptr;
    std::shared_ptr<HintWatcher> hintWatcher_;
};

extern TApplication* Application;

// Makes the screen and application objects (once) and starts the object-linking services.
void InitFramework();
// Frees the application object with every form it owns, then the screen object.
void DoneFramework();

template <class TFormClass> void TApplication::CreateForm(TFormClass*& reference) {
    void* memory = ::operator new(sizeof(TFormClass));
    reference = static_cast<TFormClass*>(memory);
    TFormClass* form;
    try {
        form = new (memory) TFormClass(this);
    } catch (...) {
        reference = nullptr;
        ::operator delete(memory);
        throw;
    }
    FormCreated(form);
}
