// Writing a received cycle file over its report file.
#include "app/frm_nimbrel.h"

namespace nimbrel {

bool FrmNimbrel::StringToFile(const std::string& text, const std::string& path) {
    if (const auto reason = services_.reportFiles.Replace(path, text)) {
        ShowFailure("Could not write " + path + ": " + *reason);
        return false;
    }
    return true;
}

}  // namespace nimbrel
