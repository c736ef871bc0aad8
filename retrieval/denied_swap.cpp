#include "retrieval/denied_swap.h"

namespace nimbrel {

ReportWriteFailureKind KindOfDeniedSwap(DeleteAccessProbe probe) {
    // Only a plain refusal is for good; whatever else happened may clear up within the retries.
    return probe == DeleteAccessProbe::AccessDenied ? ReportWriteFailureKind::NoPermission
                                                    : ReportWriteFailureKind::Locked;
}

}  // namespace nimbrel
