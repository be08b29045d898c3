#pragma once

#include <functional>

// Progress events of a long pixel operation. Each is optional; an unset one is simply not raised.
//  InitProgress: the last position Progress will report.  Progress: the position just finished.
//  Complete: the milliseconds the operation took.
struct ProgressEvents {
    std::function<void(int)> InitProgress;
    std::function<void(int)> Progress;
    std::function<void(int)> Complete;

    void RaiseInitProgress(int last) const { if (InitProgress) InitProgress(last); }
    void RaiseProgress(int position) const { if (Progress) Progress(position); }
    void RaiseComplete(int milliseconds) const { if (Complete) Complete(milliseconds); }
};

#include <chrono>

// The millisecond clock behind Complete.
class Stopwatch {
public:
    int ElapsedMilliseconds() const
    {
        using namespace std::chrono;
        return static_cast<int>(duration_cast<milliseconds>(steady_clock::now() - mStart).count());
    }

private:
    std::chrono::steady_clock::time_point mStart = std::chrono::steady_clock::now();
};
