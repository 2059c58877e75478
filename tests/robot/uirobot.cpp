// uirobot.exe: the UI robot for scripts. See Usage() for the commands.
#include "robot/Robot.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
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
    "  uirobot wait-box --caption <caption> [--process-name <file.exe>] [--timeout-ms N]\n"
    "      waits for a message box with that caption and prints its text; leaves it open\n"
    "  uirobot click --caption <caption> [--class <class>] [--process-name <file.exe>]\n"
    "                 --button <label> [--timeout-ms N]\n"
    "      waits for the window and clicks its button of that label (\"&Install\" or \"Install\")\n"
    "  uirobot wait-window --caption <caption> [--class <class>] [--process-name <file.exe>]\n"
    "                 [--timeout-ms N]\n"
    "      waits for a visible top-level window, prints \"left top right bottom\"\n"
    "  uirobot list [--process-name <file.exe>]\n"
    "      prints every top-level window: handle, process, visible, class, caption\n"
    "  uirobot record --process-name <file.exe> --class <class> --log <file>\n"
    "                 [--pause-class <class> --pause-prefix <text> --pause-ms N] [--timeout-ms N]\n"
    "      waits for a window of that class, records every text its thread shows into\n"
    "      the log, prints \"recording\", and when the program has exited prints the\n"
    "      log: \"ms<tab>class<tab>text\" a line (and \"pause\" where it held the program)\n"
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

DWORD NumberOf(const Options& options, const std::string& name, DWORD fallback) {
    if (!options.Has(name)) return fallback;
    const std::string text = options.Get(name);
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end || text[0] == '-') UsageError("bad --" + name + " \"" + text + "\"");
    return static_cast<DWORD>(value);
}

DWORD TimeoutOf(const Options& options) {
    return NumberOf(options, "timeout-ms", kDefaultTimeoutMs);
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

// The message box the options name, or the end of the program with the reason.
robot::MessageBoxInfo AwaitBox(const Options& options) {
    robot::WindowQuery query;
    query.caption = options.Required("caption");
    query.processName = options.Get("process-name");
    const DWORD timeout = TimeoutOf(options);
    auto box = robot::WaitForMessageBox(query, timeout);
    if (!box)
        Failed("no message box \"" + query.caption + "\"" +
               (query.processName.empty() ? "" : " of " + query.processName) + " within " +
               std::to_string(timeout) + " ms");
    std::printf("%s\n", box->text.c_str());
    std::fflush(stdout);
    return *box;
}

int AnswerCommand(const Options& options) {
    const std::string buttonName = options.Required("button");
    const int button = ButtonId(buttonName);
    const robot::MessageBoxInfo box = AwaitBox(options);
    if (!box.HasButton(button))
        Failed("the message box \"" + box.caption + "\" has no " + buttonName + " button (it has: " +
               ButtonList(box) + ")");
    if (!robot::Answer(box, button)) Failed("the message box \"" + box.caption + "\" stayed after the click");
    return 0;
}

int WaitBoxCommand(const Options& options) {
    AwaitBox(options);
    return 0;
}

// The visible top-level window the options name, or the end of the program.
robot::WindowInfo AwaitWindow(const Options& options) {
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
    return *window;
}

int ClickCommand(const Options& options) {
    const std::string label = options.Required("button");
    const robot::WindowInfo window = AwaitWindow(options);
    if (!robot::ClickButton(window.hwnd, label, TimeoutOf(options)))
        Failed("the window \"" + window.caption + "\" has no enabled button \"" + label + "\"");
    return 0;
}

int WaitWindowCommand(const Options& options) {
    const RECT& r = AwaitWindow(options).rect;
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

int RecordCommand(const Options& options) {
    robot::WindowQuery query;
    query.processName = options.Required("process-name");
    query.className = options.Required("class");
    const std::string logFile = options.Required("log");
    std::optional<robot::TextRecorder::Pause> pause;
    if (options.Has("pause-class") || options.Has("pause-prefix") || options.Has("pause-ms"))
        pause = robot::TextRecorder::Pause{options.Required("pause-class"), options.Required("pause-prefix"),
                                           NumberOf(options, "pause-ms", 0)};
    const DWORD timeout = TimeoutOf(options);
    const ULONGLONG deadline = GetTickCount64() + timeout;

    auto window = robot::WaitForWindow(query, timeout);
    if (!window)
        Failed("no window of class " + query.className + " of " + query.processName + " within " +
               std::to_string(timeout) + " ms");
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, window->processId);
    if (!process) Failed("cannot watch " + query.processName + ": " + robot::ErrorText(GetLastError()));
    bool exited = false;
    {
        robot::TextRecorder recorder = [&] {
            try {
                return robot::TextRecorder::Attach(GetWindowThreadProcessId(window->hwnd, nullptr), logFile, pause);
            } catch (const std::exception& e) {
                Failed(e.what());
            }
        }();
        std::printf("recording\n");
        std::fflush(stdout);
        const ULONGLONG now = GetTickCount64();
        exited = WaitForSingleObject(process, now < deadline ? static_cast<DWORD>(deadline - now) : 0) ==
                 WAIT_OBJECT_0;
    }
    CloseHandle(process);
    std::ifstream in(logFile, std::ios::binary);
    std::fputs(std::string(std::istreambuf_iterator<char>(in), {}).c_str(), stdout);
    if (!exited) Failed(query.processName + " still runs after " + std::to_string(timeout) + " ms");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "answer")
        return AnswerCommand(ParseOptions(argc, argv, {"caption", "button", "process-name", "timeout-ms"}));
    if (command == "wait-box")
        return WaitBoxCommand(ParseOptions(argc, argv, {"caption", "process-name", "timeout-ms"}));
    if (command == "click")
        return ClickCommand(ParseOptions(argc, argv, {"caption", "class", "process-name", "button", "timeout-ms"}));
    if (command == "wait-window")
        return WaitWindowCommand(ParseOptions(argc, argv, {"caption", "class", "process-name", "timeout-ms"}));
    if (command == "record")
        return RecordCommand(ParseOptions(argc, argv, {"process-name", "class", "log", "pause-class", "pause-prefix",
                                                       "pause-ms", "timeout-ms"}));
    if (command == "list") return ListCommand(ParseOptions(argc, argv, {"process-name"}));
    UsageError(command.empty() ? "no command" : "unknown command \"" + command + "\"");
}
