// Writing a received cycle file over its report file.
#include "app/failure_text.h"
#include "app/frm_nimbrel.h"
#include "util/absolute_folder.h"

namespace nimbrel {

bool FrmNimbrel::StringToFile(const std::string& text, const std::string& path) {
    if (const auto failure = services_.reportFiles.Replace(path, text)) {
        ShowFailure("Could not write " + path + ": " + DescribeReportWriteFailure(*failure));
        return false;
    }
    return true;
}

std::optional<std::string> FrmNimbrel::MetarFolder() {
    // A relative text would put the reports wherever the current drive and folder happen to be.
    std::string folder = controls_.Text1.Text();
    if (!IsAbsoluteFolder(folder)) {
        ShowFailure(kNoMetarFolderText);
        return std::nullopt;
    }
    return folder;
}

}  // namespace nimbrel
