// Writing a received cycle file over its report file, judged against it until the swap.
#include "app/failure_text.h"
#include "app/frm_nimbrel.h"
#include "app/held_file_retry.h"
#include "util/absolute_folder.h"

namespace nimbrel {

Verdict FrmNimbrel::StringToFile(std::string text, const std::string& path,
                                 const WriteJudge& judge) {
    const auto firstTry = services_.clock.Now();
    const int landedBefore = record_.landedWrites[path];
    // These bytes were fetched before those of an update nested in a wait: once its write has
    // landed, they must not replace it.
    const auto judgeAgain = [&]() -> std::optional<Verdict> {
        if (record_.landedWrites[path] != landedBefore) {
            return Verdict{VerdictKind::Superseded};
        }
        return JudgeWhenReadable(path, judge, firstTry);
    };
    std::optional<Verdict> verdict = judgeAgain();
    if (!verdict || verdict->kind != VerdictKind::Written) {
        return verdict.value_or(Verdict{VerdictKind::Failed});
    }
    const auto failure =
        services_.reportFiles.Replace(path, text, [&](const ReportWriteFailure& reason) {
            const auto pause = HeldFileRetryPause(reason, services_.clock.Now() - firstTry);
            if (!pause || !PauseFor(*pause)) {
                return false;
            }
            // What the file holds may have changed while it was held.
            verdict = judgeAgain();
            return verdict && verdict->kind == VerdictKind::Written;
        });
    if (!failure) {
        ++record_.landedWrites[path];
        return Verdict{VerdictKind::Written};
    }
    if (verdict && verdict->kind != VerdictKind::Written) {
        return *verdict;
    }
    return Verdict{VerdictKind::Failed, ReportWriteFailureText(path, *failure)};
}

std::optional<Verdict> FrmNimbrel::JudgeWhenReadable(const std::string& path,
                                                     const WriteJudge& judge,
                                                     std::chrono::milliseconds firstTry) {
    for (;;) {
        if (auto verdict = judge()) {
            return verdict;
        }
        // A reader that holds the file without letting others read it lets go as soon as one
        // that holds it at all; a file that cannot be judged is never replaced.
        const auto pause =
            HeldFileRetryPause({ReportWriteFailureKind::Locked}, services_.clock.Now() - firstTry);
        if (!pause) {
            return Verdict{VerdictKind::Failed,
                           "Could not read " + path + " to compare it with the new report; kept"};
        }
        if (!PauseFor(*pause)) {
            return std::nullopt;
        }
    }
}

std::optional<std::string> FrmNimbrel::MetarFolder() const {
    // A relative text would put the reports wherever the current drive and folder happen to be.
    return WholeFolder(controls_.Text1.Text());
}

std::string FrmNimbrel::NoFolderText() const {
    // A run without a window has its folder from the command line.
    return statusLog_ ? kNoFolderOptionText : kNoMetarFolderText;
}

}  // namespace nimbrel
