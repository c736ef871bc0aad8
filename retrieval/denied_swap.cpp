#include "retrieval/denied_swap.h"

namespace nimbrel {

namespace {

constexpr std::uint32_t kFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
constexpr std::uint32_t kPathNotFound = 3;  // ERROR_PATH_NOT_FOUND

}  // namespace

ReportWriteFailureKind KindOfDeniedSwap(DeleteAccessProbe probe) {
    // Only a plain refusal is for good; whatever else happened may clear up within the retries.
    return probe == DeleteAccessProbe::AccessDenied ? ReportWriteFailureKind::NoPermission
                                                    : ReportWriteFailureKind::Locked;
}

bool ReportExistsDespite(std::uint32_t attributesError) {
    return attributesError != kFileNotFound && attributesError != kPathNotFound;
}

}  // namespace nimbrel
