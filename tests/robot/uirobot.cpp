// uirobot.exe: the UI robot for scripts. See Usage() for the commands.
#include "robot/Robot.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDefaultTimeoutMs = 30000;

const char kUsage[] =
    "usage:\n"
    "  uirobot answer --caption <caption> --button yes|no|ok|cancel|abort|retry|ignore\n"
    "                 [--process-name <file.exe>] [--timeout-ms N]\n"
    "      waits for a message box with that caption, prints its text, clicks the button\n"
    "  uirobot wait-window --caption <caption> [--class <class>] [--process-name <file.exe>]\n"
    "                 [--timeout-ms N]\n"
    "      waits for a visible top-level window, prints \"left top right bottom\"\n"
    "  uirobot list [--process-name <file.exe>]\n"
    "      prints every top-level window: handle, process, visible, class, caption\n"
    "exit code: 0 done, 1 timed out or could not answer, 2 bad usage\n"
    "default time-out: 30000 ms\n";

[[noreturn]] void UsageError(const std::string& problem) {
    std::fprintf(stderr, "uirobot: %s\n%s", problem.c_str(), kUsage);
    std::exit(2);
}

[[noreturn]] void Failed(const std::string& problem) {
    std::fprintf(stderr, "uirobot: %s\n", problem.c_str());
    std::exit(1);
}

struct Options {
    std::map<std::string, std::string> values;

    bool Has(const std::string& name) const { return values.count(name) != 0; }
    std::string Get(const std::string& name) const {
        auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    }
    std::string Required(const std::string& name) const {
        if (!Has(name)) UsageError("--" + name + " is required");
        return Get(name);
    }
};

Options ParseOptions(int argc, char** argv, const std::vector<std::string>& known) {
    Options options;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        const std::string name = arg.rfind("--", 0) == 0 ? arg.substr(2) : std::string();
        if (name.empty() || std::find(known.begin(), known.end(), name) == known.end())
            UsageError("unknown argument \"" + arg + "\"");
        if (i + 1 >= argc) UsageError(arg + " needs a value");
        options.values[name] = argv[++i];
    }
    return options;
}

DWORD TimeoutOf(const Options& options) {
    if (!options.Has("timeout-ms")) return kDefaultTimeoutMs;
    const std::string text = options.Get("timeout-ms");
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end || text[0] == '-') UsageError("bad --timeout-ms \"" + text + "\"");
    return static_cast<DWORD>(value);
}

int ButtonId(const std::string& name) {
    static const std::map<std::string, int> kButtons = {
        {"ok", IDOK},       {"cancel", IDCANCEL}, {"abort", IDABORT}, {"retry", IDRETRY},
        {"ignore", IDIGNORE}, {"yes", IDYES},     {"no", IDNO},
    };
    auto it = kButtons.find(name);
    if (it == kButtons.end()) UsageError("unknown button \"" + name + "\"");
    return it->second;
}

std::string ButtonList(const robot::MessageBoxInfo& box) {
    std::string list;
    for (const robot::BoxButton& b : box.buttons) list += (list.empty() ? "" : ", ") + b.caption;
    return list;
}

int AnswerCommand(const Options& options) {
    robot::WindowQuery query;
    query.caption = options.Required("caption");
    query.processName = options.Get("process-name");
    const std::string buttonName = options.Required("button");
    const int button = ButtonId(buttonName);
    const DWORD timeout = TimeoutOf(options);

    auto box = robot::WaitForMessageBox(query, timeout);
    if (!box)
        Failed("no message box \"" + query.caption + "\"" +
               (query.processName.empty() ? "" : " of " + query.processName) + " within " +
               std::to_string(timeout) + " ms");
    std::printf("%s\n", box->text.c_str());
    std::fflush(stdout);
    if (!box->HasButton(button))
        Failed("the message box \"" + box->caption + "\" has no " + buttonName + " button (it has: " +
               ButtonList(*box) + ")");
    if (!robot::Answer(*box, button)) Failed("the message box \"" + box->caption + "\" stayed after the click");
    return 0;
}

int WaitWindowCommand(const Options& options) {
    robot::WindowQuery query;
    query.caption = options.Required("caption");
    query.className = options.Get("class");
    query.processName = options.Get("process-name");
    const DWORD timeout = TimeoutOf(options);

    auto window = robot::WaitForWindow(query, timeout);
    if (!window)
        Failed("no visible window \"" + query.caption + "\"" +
               (query.className.empty() ? "" : " of class " + query.className) + " within " +
               std::to_string(timeout) + " ms");
    const RECT& r = window->rect;
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    return 0;
}

int ListCommand(const Options& options) {
    const std::string processName = options.Get("process-name");
    for (const robot::WindowInfo& w : robot::TopLevelWindows()) {
        const std::string name = robot::ProcessName(w.processId);
        if (!processName.empty() && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), -1,
                                                   processName.c_str(), -1) != CSTR_EQUAL)
            continue;
        std::printf("%p %lu %s %s %s \"%s\"\n", static_cast<void*>(w.hwnd), w.processId, name.c_str(),
                    w.visible ? "visible" : "hidden", w.className.c_str(), w.caption.c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "answer")
        return AnswerCommand(ParseOptions(argc, argv, {"caption", "button", "process-name", "timeout-ms"}));
    if (command == "wait-window")
        return WaitWindowCommand(ParseOptions(argc, argv, {"caption", "class", "process-name", "timeout-ms"}));
    if (command == "list") return ListCommand(ParseOptions(argc, argv, {"process-name"}));
    UsageError(command.empty() ? "no command" : "unknown command \"" + command + "\"");
}
