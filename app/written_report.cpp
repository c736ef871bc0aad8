#include "app/written_report.h"

namespace nimbrel {

bool StillAsWritten(const WrittenReport& written, const std::string& url, const std::string& path,
                    const std::optional<FileStamp>& stampNow) {
    return written.url == url && written.path == path && written.stamp && stampNow == written.stamp;
}

HttpConditions ConditionsFor(const WrittenReport& written) {
    return {written.lastModified, written.compressed ? "" : written.etag};
}

}  // namespace nimbrel
