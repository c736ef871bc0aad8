#include "retrieval/csv_records.h"

namespace nimbrel {

bool CsvRecords::Next(std::vector<std::string>& fields) {
    fields.clear();
    if (rest_.empty()) {
        return false;
    }
    std::string field;
    bool quoted = false;
    bool atFieldStart = true;
    std::size_t at = 0;
    for (; at < rest_.size(); ++at) {
        const char c = rest_[at];
        const bool next = at + 1 < rest_.size();
        if (quoted) {
            if (c != '"') {
                field += c;
            } else if (next && rest_[at + 1] == '"') {
                field += '"';
                ++at;
            } else {
                quoted = false;
            }
        } else if (c == '"' && atFieldStart) {
            quoted = true;
        } else if (c == ',') {
            if (fields.size() < kMaxFields) {
                fields.push_back(std::move(field));
            }
            field.clear();
            atFieldStart = true;
            continue;
        } else if (c == '\n' || (c == '\r' && next && rest_[at + 1] == '\n')) {
            at += c == '\r' ? 1 : 0;
            break;
        } else {
            field += c;
        }
        atFieldStart = false;
    }
    if (fields.size() < kMaxFields) {
        fields.push_back(std::move(field));
    }
    rest_.remove_prefix(at < rest_.size() ? at + 1 : rest_.size());
    return true;
}

}  // namespace nimbrel
