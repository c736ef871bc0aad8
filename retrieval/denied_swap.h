// Windows refuses to replace a report with "access denied" both when another program holds it
// open and when this user may not change it. Opening the report for deletion, with every kind of
// sharing allowed, tells the two apart.
#pragma once

#include <cstdint>

#include "retrieval/report_files.h"

namespace nimbrel {

// How that opening went.
enum class DeleteAccessProbe {
    Opened,            // the refusal has passed already
    SharingViolation,  // a program holds the file without sharing its deletion
    AccessDenied,      // the user has no right to delete, so none to replace
    DeletePending,     // denied because the file is being deleted, which ends soon
    OtherFailure,
};

// What the refused swap is: a held file, tried again for a while, or no permission, told at
// once.
ReportWriteFailureKind KindOfDeniedSwap(DeleteAccessProbe probe);

// Whether the report is still there when reading its attributes failed with the system error
// `attributesError`. Only "not found" means gone: a file pending deletion fails too, and must be
// probed as a refused swap rather than told as "no permission".
bool ReportExistsDespite(std::uint32_t attributesError);

}  // namespace nimbrel
