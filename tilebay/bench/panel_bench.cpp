// Measures a running tilebay from the outside, as an X client:
//   load      process start to the panel retracted (its first configure with
//             a negative top), less the pauses the load must make;
//   memory    peak resident size after the load (VmHWM);
//   idle      CPU time used over 10 s with nothing happening;
//   reveal    pointer arrival on the caption strip (the first EnterNotify
//             or MotionNotify we get for the panel window) to the panel at
//             top 0 (its ConfigureNotify), 20 times;
//   live      a file created in DESKTOP to its row in the list (tilebay's
//             "tilebay.live" debug line, written once the view shows the
//             new rows), 20 times; then the peak resident size again.
// Usage: tilebay-panel-bench TILEBAY NEW_IMAGE_KEYS DESKTOP [--load-only]
// With --load-only only the load is measured, and then, in a second run,
// the time from a SIGTERM sent two seconds into the load to tilebay's end.
// The environment (DISPLAY, HOME, ...) is passed on to tilebay.

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

bool IsPanel(Display* display, Window window) {
    char* name = nullptr;
    const bool panel = XFetchName(display, window, &name) != 0 && name != nullptr &&
                       std::strcmp(name, "Tilebay") == 0;
    if (name != nullptr) {
        XFree(name);
    }
    return panel;
}

// Waits for a ConfigureNotify of `window` (any top-level window named
// "Tilebay" when 0) whose top satisfies `wanted`; returns the window.
template <typename Wanted>
Window WaitForConfigure(Display* display, Window window, Wanted wanted, double timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<int>(timeoutMs));
    while (Clock::now() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != ConfigureNotify) {
                continue;
            }
            const Window w = event.xconfigure.window;
            if ((window == 0 ? IsPanel(display, w) : w == window) && wanted(event.xconfigure.y)) {
                return w;
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return 0;
}

long Field(pid_t pid, const char* key) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::strtol(line.c_str() + std::strlen(key), nullptr, 10);
        }
    }
    return -1;
}

long CpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) {
        return -1;
    }
    std::vector<std::string> fields;
    std::size_t at = close + 2;
    while (at < text.size()) {
        const auto end = text.find(' ', at);
        fields.push_back(text.substr(at, end - at));
        if (end == std::string::npos) {
            break;
        }
        at = end + 1;
    }
    // utime and stime are fields 14 and 15 of the line, 12 and 13 after ")".
    return fields.size() > 12 ? std::stol(fields[11]) + std::stol(fields[12]) : -1;
}

// Reads tilebay's stderr until `needle` shows up; false on timeout.
bool WaitForText(int fd, std::string& seen, const std::string& needle, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (seen.find(needle) == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            return false;
        }
        seen.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

void PrintSpread(const char* what, std::vector<double> values) {
    if (values.empty()) {
        std::printf("%s: no measurement\n", what);
        return;
    }
    std::sort(values.begin(), values.end());
    std::printf("%s: %zu runs, median %.2f ms, max %.2f ms\n", what, values.size(),
                values[values.size() / 2], values.back());
}

}  // namespace

pid_t StartTilebay(const char* program, int errorPipe) {
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(errorPipe, STDERR_FILENO);
        setenv("QT_LOGGING_RULES", "tilebay.live.debug=true", 1);
        execl(program, program, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// A second run: SIGTERM two seconds into the load, and the time to the end.
void MeasureTermDuringLoad(const char* program) {
    const int devnull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t pid = StartTilebay(program, devnull);
    close(devnull);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const auto sent = Clock::now();
    kill(pid, SIGTERM);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() - sent > std::chrono::seconds(300)) {
            kill(pid, SIGKILL);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::printf("sigterm during the load: ended after %.0f ms (%s)\n", Ms(Clock::now() - sent),
                WIFEXITED(status) ? "exited" : "killed");
}

int main(int argc, char** argv) {
    const bool loadOnly = argc == 5 && std::strcmp(argv[4], "--load-only") == 0;
    if (argc != 4 && !loadOnly) {
        std::fprintf(stderr, "usage: %s TILEBAY NEW_IMAGE_KEYS DESKTOP [--load-only]\n", argv[0]);
        return 2;
    }
    const std::string desktop = argv[3];
    const int keys = std::atoi(argv[2]);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    int errors[2];
    if (pipe2(errors, O_CLOEXEC) != 0) {
        return 1;
    }
    const auto start = Clock::now();
    const pid_t pid = StartTilebay(argv[1], errors[1]);
    close(errors[1]);
    std::string seen;
    const double pauses = keys * 2 * 25.0;
    const Window panel = WaitForConfigure(
        display, 0, [](int top) { return top < 0; }, 60000 + pauses);
    const auto retracted = Clock::now();
    if (panel == 0) {
        std::fprintf(stderr, "the panel never retracted\n");
        kill(pid, SIGKILL);
        return 1;
    }
    const double total = Ms(retracted - start);
    std::printf(
        "load: %.0f ms to retracted, %.0f ms of it pauses (%d new image keys), "
        "overhead %.0f ms\n",
        total, pauses, keys, total - pauses);
    if (loadOnly) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        MeasureTermDuringLoad(argv[1]);
        XCloseDisplay(display);
        return 0;
    }

    std::this_thread::sleep_for(std::chrono::seconds(1));
    std::printf("memory: peak RSS %.1f MiB\n", Field(pid, "VmHWM:") / 1024.0);

    const long before = CpuTicks(pid);
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const long after = CpuTicks(pid);
    std::printf("idle: %ld CPU ticks in 10 s (%.2f %%)\n", after - before,
                100.0 * (after - before) / (10.0 * sysconf(_SC_CLK_TCK)));

    XWindowAttributes attributes;
    XGetWindowAttributes(display, panel, &attributes);
    XSelectInput(display, panel, EnterWindowMask | PointerMotionMask | StructureNotifyMask);
    XSelectInput(display, root, NoEventMask);
    XSync(display, False);
    std::vector<double> reveals;
    for (int i = 0; i < 20; ++i) {
        XWarpPointer(display, None, root, 0, 0, 0, 0, 400, 400);  // away from it
        XWarpPointer(display, None, root, 0, 0, 0, 0, attributes.x + 100, 8);
        XFlush(display);
        Clock::time_point motion{};
        bool top = false;
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        while (!top && Clock::now() < deadline) {
            while (XPending(display) > 0 && !top) {
                XEvent event;
                XNextEvent(display, &event);
                if ((event.type == MotionNotify || event.type == EnterNotify) &&
                    motion == Clock::time_point{}) {
                    motion = Clock::now();
                } else if (event.type == ConfigureNotify && event.xconfigure.y == 0 &&
                           motion != Clock::time_point{}) {
                    reveals.push_back(Ms(Clock::now() - motion));
                    top = true;
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        // Out across the left border strip: retracted again.
        XWarpPointer(display, None, root, 0, 0, 0, 0, attributes.x + 1, 200);
        XFlush(display);
        WaitForConfigure(
            display, panel, [](int t) { return t < 0; }, 2000);
    }
    PrintSpread("reveal", reveals);

    // Live rows: each file created to the line that reports its row.
    std::vector<double> lives;
    for (int i = 0; i < 20; ++i) {
        const std::string name = "live-" + std::to_string(i) + ".txt";
        const std::string path = desktop + "/" + name;
        const auto created = Clock::now();
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            break;
        }
        close(fd);
        if (!WaitForText(errors[0], seen, "+" + name, 5000)) {
            std::printf("live: %s never listed\n", name.c_str());
            break;
        }
        lives.push_back(Ms(Clock::now() - created));
        // The next file after this one's row: one burst each.
        seen.clear();
    }
    PrintSpread("live", lives);
    std::printf("memory: peak RSS %.1f MiB after the live rows\n", Field(pid, "VmHWM:") / 1024.0);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    XCloseDisplay(display);
    return 0;
}
