#include "tests/fake/fake_system.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "util/runtime_error.h"

namespace nimbrel::fake {

namespace {
constexpr long kFileNotFound = 2;
constexpr long kInvalidHandle = 6;
constexpr long kMoreData = 234;
}  // namespace

std::string FakeRegistry::KeyName(RegistryKey root, const std::string& path) {
    char hive[20];
    std::snprintf(hive, sizeof hive, "%lX", static_cast<unsigned long>(root));
    return std::string(hive) + "\\" + path;
}

void FakeRegistry::SetString(RegistryKey root, const std::string& path, const std::string& name,
                             const std::string& text) {
    SetRaw(root, path, name, Value{1, text + '\0'});
}

void FakeRegistry::SetRaw(RegistryKey root, const std::string& path, const std::string& name,
                          Value value) {
    keys_[KeyName(root, path)][name] = std::move(value);
}

long FakeRegistry::OpenKey(RegistryKey root, const std::string& path, std::uint32_t,
                           std::uint32_t access, RegistryKey& opened) {
    accessRequested.push_back(access);
    const std::string name = KeyName(root, path);
    if (!keys_.contains(name)) {
        return kFileNotFound;
    }
    opened = nextHandle_++;
    open_[opened] = name;
    ++openKeys;
    return 0;
}

long FakeRegistry::QueryValue(RegistryKey key, const std::string& valueName, std::int32_t& type,
                              char* data, std::uint32_t& dataSize) {
    if (failQueries) {
        throw RuntimeError(453, "Can't find DLL entry point RegQueryValueExA in advapi32");
    }
    const auto open = open_.find(key);
    if (open == open_.end()) {
        return kInvalidHandle;
    }
    const auto& values = keys_[open->second];
    const auto value = values.find(valueName);
    if (value == values.end()) {
        return kFileNotFound;
    }
    type = value->second.type;
    const auto size = static_cast<std::uint32_t>(value->second.data.size());
    if (data == nullptr) {
        dataSize = size;
        return 0;
    }
    if (dataSize < size) {
        dataSize = size;
        return kMoreData;
    }
    std::memcpy(data, value->second.data.data(), size);
    dataSize = size;
    return 0;
}

long FakeRegistry::CloseKey(RegistryKey key) {
    if (open_.erase(key) == 1) {
        --openKeys;
    }
    return closeResult;
}

RegistryView FakeRegistry::ViewOf(RegistryKey key) const {
    const auto open = open_.find(key);
    if (open == open_.end()) {
        return RegistryView::Own;
    }
    const auto view = views_.find(open->second);
    return view == views_.end() ? RegistryView::Own : view->second;
}

void FakeRegistry::SetView(RegistryKey root, const std::string& path, RegistryView view) {
    views_[KeyName(root, path)] = view;
}

std::optional<ReportWriteFailure> FakeReportFiles::FailureAt(const std::string& path) const {
    if (const auto failure = failures.find(path); failure != failures.end()) {
        return failure->second;
    }
    if (const auto held = heldUntil.find(path);
        held != heldUntil.end() && clock_.Now() < held->second) {
        return ReportWriteFailure{ReportWriteFailureKind::Locked, ""};
    }
    return std::nullopt;
}

std::optional<ReportWriteFailure> FakeReportFiles::Replace(const std::string& path,
                                                           std::string_view bytes,
                                                           const SwapRetry& retry) {
    ++writes;
    if (throws) {
        throw std::runtime_error("The report port broke");
    }
    for (;;) {
        const auto failure = FailureAt(path);
        swaps.push_back({path, clock_.Now(), !failure});
        if (!failure) {
            Touch(path, std::string(bytes));
            return std::nullopt;
        }
        if (!retry(*failure)) {
            return failure;
        }
    }
}

std::optional<FileStamp> FakeReportFiles::Stamp(const std::string& path) const {
    const auto file = files.find(path);
    if (file == files.end()) {
        return std::nullopt;
    }
    const auto written = lastWrite_.find(path);
    const int lastWrite = written == lastWrite_.end() ? 0 : written->second;
    return FileStamp{file->second.size(),
                     std::chrono::system_clock::time_point(std::chrono::seconds(lastWrite))};
}

std::optional<std::string> FakeReportFiles::Read(const std::string& path,
                                                 std::uint64_t limitBytes) const {
    ++reads;
    const auto file = files.find(path);
    const auto unreadable = unreadableUntil.find(path);
    if (unreadable != unreadableUntil.end() && clock_.Now() < unreadable->second) {
        return std::nullopt;
    }
    if (file == files.end() || file->second.size() > limitBytes) {
        return std::nullopt;
    }
    return file->second;
}

void FakeReportFiles::Touch(const std::string& path, const std::string& bytes) {
    files[path] = bytes;
    lastWrite_[path] = ++writeClock_;
}

void FakeMessageBox::Show(const std::string& text, const std::string& title, MessageBoxIcon icon) {
    shown.push_back({text, title, icon});
    if (!loop_ || !closedAfter) {
        return;
    }
    ++open;
    const milliseconds closeAt = loop_->Now() + *closedAfter;
    while (!loop_->PumpPending() && loop_->Now() < closeAt) {
        loop_->WaitForEvent(closeAt - loop_->Now());
    }
    --open;
}

ProgramStart FakeLauncher::Start(const std::string& program, const std::string& workingFolder,
                                 WindowState state) {
    if (!existing.contains(program)) {
        return {nullptr, "The system cannot find the file specified."};
    }
    if (declined) {
        return {nullptr, "The operation was canceled by the user.", true};
    }
    auto process = std::make_unique<FakeStartedProgram>();
    started.push_back({program, workingFolder, state, process.get(),
                       clock ? clock->Now() : std::chrono::milliseconds(0)});
    if (onStart) {
        onStart();
    }
    return {std::move(process)};
}

std::string FakeEnvironment::Expand(const std::string& text) const {
    std::string expanded = text;
    for (const auto& [name, value] : variables) {
        const std::string reference = "%" + name + "%";
        for (auto at = expanded.find(reference); at != std::string::npos;
             at = expanded.find(reference, at + value.size())) {
            expanded.replace(at, reference.size(), value);
        }
    }
    return expanded;
}

}  // namespace nimbrel::fake
