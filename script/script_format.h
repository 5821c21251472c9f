#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Scripts: the texts that the script maker writes and the player reads.
//
// A script file holds GB18030 bytes (GBK for every GBK character), no
// byte-order mark. Its first non-empty line is the address of the page the
// script works on; every further non-empty line is one script line of at
// least four fields joined by "|": the kind, the code, the code kind and the
// seconds to pause after the operation. A code may itself hold "|": the kind
// is the first field, the seconds the last, the code kind the one before the
// last, and everything between is the code.
namespace script {

// The operation kinds, as written in the kind field.
inline constexpr std::string_view kFillText = "填表文本";
inline constexpr std::string_view kFillTitle = "填表标题";
inline constexpr std::string_view kClickLink = "点击链接";
inline constexpr std::string_view kClickButton = "点击按钮";
inline constexpr std::string_view kRunScript = "执行脚本";

enum class Kind { FillText, FillTitle, ClickLink, ClickButton, RunScript };

// One script line as the script maker composes it: the four texts joined by
// "|" and ended by CR LF, each taken over exactly (nothing trimmed or
// escaped). Texts are UTF-8.
std::string composeLine(std::string_view kind, std::string_view code, std::string_view codeKind,
                        std::string_view seconds);

// The bytes of a script file for a script text (UTF-8): GB18030, nothing
// added or changed.
QByteArray encodeScript(std::string_view text);

// Writes `bytes` unchanged as the whole file at `path`. The bytes go to a
// temporary file beside it, which replaces the file only once everything was
// written, so a failure never leaves a partial file under the name. On
// failure returns false and `error` (when given) says why.
bool writeScriptFile(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// One operation of a read script.
struct Step {
    int lineNumber = 0;  // 1-based, in the file
    Kind kind = Kind::FillText;
    std::string kindText;  // the kind field as written
    std::string code;
    std::string codeKindText;
    std::string secondsText;
    std::int32_t codeKind = 0;  // the code kind field read as an integer
    std::int32_t seconds = 0;   // the seconds field read as an integer
};

// Something that keeps a script from being played; lineNumber 0 when it
// concerns the whole file.
struct Problem {
    int lineNumber = 0;
    QString message;
};

struct Script {
    int addressLine = 0;  // 0: no address
    std::string address;  // UTF-8, blanks around it removed
    std::vector<Step> steps;
    std::vector<Problem> problems;  // every problem, in line order

    [[nodiscard]] bool isPlayable() const { return problems.empty(); }
};

// Reads a script from the bytes of a file. Lines end with LF or CR LF, and
// the last one may have no break; a line of only blanks counts as empty. Every problem is
// collected; nothing stops at the first one.
Script parseScript(const QByteArray& bytes);

// Reads the file at `path`; a file that is missing or unreadable gives a
// script with that problem.
Script readScriptFile(const QString& path);

// The kind written as `text`, compared byte for byte; false when unknown.
bool kindFromText(std::string_view text, Kind& kind);
std::string_view kindText(Kind kind);

}  // namespace script
