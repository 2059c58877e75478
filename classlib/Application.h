// The application object: the forms, the message loop, the exception event
// and the program's parameters.
#pragma once

#include "classlib/Object.h"

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace classlib {

class Form;

class Application : public Object {
public:
    Application();
    ~Application() override;

    void Initialize();

    // Creates a form of class F into `reference` (set before the form's own
    // creation handler runs). The first form created is the main form:
    // closing it ends the message loop.
    template <class F>
    void CreateForm(F*& reference)
    {
        auto form = std::make_unique<F>();
        reference = form.get();
        forms_.push_back(std::move(form));
        reference->Create();
        if (!mainForm_) mainForm_ = reference;
    }
    Form* MainForm() const { return mainForm_; }

    // Shows the main form in its window state, then handles messages until
    // the loop is told to end.
    void Run();
    // Handles every message that is waiting, then returns.
    void ProcessMessages();
    // Marks the message loop to end.
    void Terminate();
    bool Terminated() const { return terminated_; }

    // Raised for an exception that no handler caught; unassigned, the
    // exception's message is shown in a box.
    std::function<void(Object* sender, const std::exception& e)> OnException;
    void HandleException(Object* sender, const std::exception& e);

    // The program's parameters: ParamStr(0) is the program's own path,
    // ParamStr(1) to ParamStr(ParamCount()) the parameters.
    int ParamCount() const;
    std::string ParamStr(int index) const;
    // Replaces the command line the parameters are taken from.
    void SetCommandLine(const std::string& commandLine);

    std::string Title() const;

    // Registers what a unit does at program exit; Halt runs the procedures
    // the other way round from their registration.
    static void AddExitProc(std::function<void()> proc);
    // Runs the exit procedures, then ends the process with `exitCode`.
    [[noreturn]] static void Halt(int exitCode);

private:
    bool Dispatch(MSG& message);

    std::vector<std::unique_ptr<Form>> forms_;
    Form* mainForm_ = nullptr;
    bool terminated_ = false;
    std::vector<std::string> commandLine_;
};

// The program's one application object.
Application& App();

} // namespace classlib
