// Writing a received cycle file over its report file.
#include "app/failure_text.h"
#include "app/frm_nimbrel.h"
#include "app/held_file_retry.h"
#include "util/absolute_folder.h"

namespace nimbrel {

FrmNimbrel::WriteResult FrmNimbrel::StringToFile(std::string text, const std::string& path) {
    const auto firstTry = services_.clock.Now();
    const int landedBefore = landedWrites_[path];
    bool superseded = false;
    const auto failure =
        services_.reportFiles.Replace(path, text, [&](const ReportWriteFailure& reason) {
            const auto pause = HeldFileRetryPause(reason, services_.clock.Now() - firstTry);
            if (!pause || !PauseFor(*pause)) {
                return false;
            }
            // These bytes were fetched before those of an update nested in the wait: once its
            // write has landed, they must not replace it.
            superseded = landedWrites_[path] != landedBefore;
            return !superseded;
        });
    if (!failure) {
        ++landedWrites_[path];
        return WriteResult::Written;
    }
    if (superseded) {
        return WriteResult::Superseded;
    }
    // A program that began closing during the wait has no status line left to show it on.
    if (!closing_) {
        ShowFailure(ReportWriteFailureText(path, *failure));
    }
    return WriteResult::Failed;
}

std::optional<std::string> FrmNimbrel::MetarFolder() {
    // A relative text would put the reports wherever the current drive and folder happen to be.
    std::optional<std::string> folder = WholeFolder(controls_.Text1.Text());
    if (!folder) {
        // A run without a window has its folder from the command line.
        ShowFailure(statusLog_ ? kNoFolderOptionText : kNoMetarFolderText);
    }
    return folder;
}

}  // namespace nimbrel
