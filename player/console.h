#pragma once

#include <QString>
#include <cstdio>

namespace player {

// What the user sees: whole lines, and on a terminal one live progress line
// below them that each new line replaces. Nothing of the progress line goes
// to a pipe or a file.
class Console {
public:
    explicit Console(std::FILE* out);
    Console(std::FILE* out, bool live) : out_(out), live_(live) {}

    void line(const QString& text);
    void progress(const QString& text);
    void clearProgress();
    [[nodiscard]] bool isLive() const { return live_; }

private:
    std::FILE* out_;
    bool live_;
    bool progressShown_ = false;
};

}  // namespace player
