// Writing a received cycle file over its report file.
#include "app/failure_text.h"
#include "app/frm_nimbrel.h"

namespace nimbrel {

bool FrmNimbrel::StringToFile(const std::string& text, const std::string& path) {
    if (const auto failure = services_.reportFiles.Replace(path, text)) {
        ShowFailure("Could not write " + path + ": " + DescribeReportWriteFailure(*failure));
        return false;
    }
    return true;
}

}  // namespace nimbrel
