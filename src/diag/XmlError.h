#pragma once

#include <QString>
#include <cstdint>
#include <exception>
#include <optional>

// The one failure of the XML engine: a result code and, where the engine gave one, its message.
// It ends the command that was running; only a few operations catch and report it.
struct XmlError : std::exception {
    static constexpr std::int32_t kPointer = static_cast<std::int32_t>(0x80004003u);  // E_POINTER
    static constexpr std::int32_t kOutOfMemory =
        static_cast<std::int32_t>(0x8007000Eu);                                    // E_OUTOFMEMORY
    static constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005u);  // E_FAIL

    XmlError(std::int32_t c, std::optional<QString> d = std::nullopt)
        : code(c), description(std::move(d)) {}
    const char* what() const noexcept override { return "XML engine failure"; }

    std::int32_t code;
    std::optional<QString> description;
};
