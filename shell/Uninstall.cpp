#include "shell/Uninstall.h"

#include "classlib/Application.h"

// Placeholder until the removal steps exist: it ends the program and removes nothing.
void Uninstall()
{
    classlib::Application::Halt(0);
}
