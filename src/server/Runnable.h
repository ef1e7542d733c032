#pragma once

namespace vambrel {

// The one-operation interface of every job: the body, run by mStart on the job thread.
class Runnable {
public:
    virtual ~Runnable() = default;
    virtual void Runnable_Start() = 0;
};

} // namespace vambrel
