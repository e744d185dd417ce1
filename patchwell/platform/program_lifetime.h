#pragma once

namespace patchwell::platform {

// Ending the program and the fixed waits of its windows.
class ProgramLifetime {
public:
    virtual ~ProgramLifetime() = default;

    // Ends the program at once: no further handler and no window's unload
    // step runs. The real one does not return; a fake records the call and
    // returns, and the caller then returns straight away.
    virtual void End() = 0;

    // Waits `ms` milliseconds without acting on user input. Windows keep
    // painting meanwhile, so one that was just shown is seen during the wait.
    virtual void Wait(int ms) = 0;
};

class RealProgramLifetime : public ProgramLifetime {
public:
    [[noreturn]] void End() override;
    void Wait(int ms) override;
};

}  // namespace patchwell::platform
