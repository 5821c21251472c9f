#include "player/console.h"

#include <unistd.h>

namespace player {

Console::Console(std::FILE* out) : out_(out), live_(isatty(fileno(out)) == 1) {}

void Console::line(const QString& text) {
    clearProgress();
    std::fputs(text.toUtf8().constData(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

void Console::progress(const QString& text) {
    if (!live_) return;
    // Carriage return, the text, then erase the rest of the old line.
    std::fputs(("\r" + text + "\033[K").toUtf8().constData(), out_);
    std::fflush(out_);
    progressShown_ = true;
}

void Console::clearProgress() {
    if (!progressShown_) return;
    std::fputs("\r\033[K", out_);
    std::fflush(out_);
    progressShown_ = false;
}

}  // namespace player
