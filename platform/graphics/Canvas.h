#pragma once

#include <mutex>

// A bitmap's drawing surface. For now it carries the surface's lock: the frame pass holds it
// while it rewrites the picture, and whoever reads or draws the picture on another thread takes
// it too. The lock is recursive, so a holder may lock again. Any thread.
class TCanvas {
public:
    void Lock() { lock_.lock(); }
    bool TryLock() { return lock_.try_lock(); }
    void Unlock() { lock_.unlock(); }

private:
    std::recursive_mutex lock_; // the drawing-surface lock
};

// Holds a canvas locked for a scope.
class TCanvasLock {
public:
    explicit TCanvasLock(TCanvas& canvas) : canvas_(canvas) { canvas_.Lock(); }
    ~TCanvasLock() { canvas_.Unlock(); }
    TCanvasLock(const TCanvasLock&) = delete;
    TCanvasLock& operator=(const TCanvasLock&) = delete;

private:
    TCanvas& canvas_;
};
