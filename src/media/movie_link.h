// What the loaders and the snapshot writer need from the movie layer, so the
// media code does not depend on it: whether a movie runs, its position (kept
// in snapshot chunk 28), re-recording from a loaded snapshot, and replaying a
// movie file that was opened like a game.
#pragma once
#include <cstdint>
#include <string>

namespace korvanta {

class MovieLink {
public:
    virtual ~MovieLink() = default;
    // A movie is being recorded or replayed.
    virtual bool Active() const = 0;
    // Bytes of the movie file after its header before the next frame record;
    // 0 while no movie runs.
    virtual uint32_t Position() const = 0;
    // A snapshot carrying `position` was loaded during the movie.
    virtual bool ReRecord(uint32_t position) = 0;
    // Replays the movie at `path` on the running game.
    virtual bool StartReplay(const std::string& path) = 0;
};

}  // namespace korvanta
