#pragma once

#include "Outcome.h"
#include "SatClient.h"

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Asks the device for its event log, turns every record into one numbered, readable line
// for the logs screen's text area and saves those lines to a file.
//
// A record is one line of the decoded log, "timestamp|origin|level|detail:message". Devices
// differ: some start with a header line, many leave out the colon. Each line stands alone,
// a field never runs on into the next line and a missing field is empty.
class LogExtractor {
public:
    // ExtrairLogs answers this, exactly, when the port cannot be opened.
    static constexpr std::string_view portFailureAnswer = "Erro ao tentar abrir a porta";
    static constexpr std::string_view portFailureShown =
        SatClient::portFailureMessage.substr(0, SatClient::portFailureMessage.find('\n'));
    // Reply code 15000 and the start of its message: the log was transferred.
    static constexpr std::string_view transferMark = "15000|Transfer";
    // The longest date text, and the longest display line, in bytes. A longer line is cut
    // without splitting a character.
    static constexpr std::size_t maxDateText = 19;
    static constexpr std::size_t maxDisplayLine = 999;

    explicit LogExtractor(SatClient& client) : client_(client) {}

    // Writes the lines; the message to show when they could not be written.
    static std::optional<std::string> saveLog(const std::string& path,
                                              const std::vector<std::string>& lines);

    // The display lines of a decoded log, each ended by a line feed. They carry the log's
    // own bytes; the text area decodes them as UTF-8, an invalid sequence as U+FFFD.
    struct Lines {
        std::string_view text() const { return {buffer.get(), size}; }
        std::size_t count = 0;
        std::size_t size = 0;
        std::unique_ptr<char, void (*)(void*)> buffer{nullptr, std::free};
    };
    // How the common shape of a record is found: with the widest compares the processor has,
    // or a given way where the processor has it (for tests and measurements).
    enum class MarkScan { fastest, plain, sse2, avx2, avx512 };
    static Lines formatLog(std::string_view decoded, MarkScan scan = MarkScan::fastest);
    static bool canScan(MarkScan scan);

    // A 14-digit timestamp (year first) as "dd/mm/yyyy hh:mm:ss"; any other text unchanged,
    // cut at maxDateText.
    static std::string dateText(std::string_view timestamp);

    // The device's log as display lines numbered from 1, to append to the text area without
    // clearing it, or the one message of what went wrong. Touches nothing but the client, so
    // it may run off the user-interface thread.
    struct Extracted : Outcome {
        Lines lines;
    };
    Extracted extract();

private:
    SatClient& client_;
};
