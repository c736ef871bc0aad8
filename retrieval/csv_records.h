// Reading comma-separated values as RFC 4180 writes them, one record at a time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

// A field that starts with a double quote runs to the next lone one: it may hold commas, line
// breaks and doubled quotes, which stand for one. A quote elsewhere is an ordinary character, and
// a quoted field that never closes runs to the end. Records end at LF or CRLF. Any text is safe,
// in time linear in its size.
class CsvRecords {
  public:
    // Fields beyond this many in one record are read past but not kept, so that a record of
    // nothing but commas cannot take more memory than the text itself.
    static constexpr std::size_t kMaxFields = 1024;

    explicit CsvRecords(std::string_view text) : rest_(text) {}

    // The fields of the next record; false when the text has none left.
    bool Next(std::vector<std::string>& fields);

  private:
    std::string_view rest_;
};

}  // namespace nimbrel
