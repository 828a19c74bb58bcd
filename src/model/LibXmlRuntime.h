#pragma once

#include <QString>

// Process- and thread-wide set-up of libxml2, shared by every part of the XML wrapper.
namespace xmlrt {

// Initialises libxml2 once for the process (thread-safe) and, once per calling thread, installs
// error handlers so that libxml2 never writes to stderr. Every entry point of the wrapper calls it
// before touching libxml2.
void EnsureLibXml();

// Collects the first error libxml2 reports on this thread while the object lives. Captures nest:
// the innermost one receives the errors and the previous one is restored afterwards.
class ErrorCapture {
public:
    ErrorCapture();
    ~ErrorCapture();
    ErrorCapture(const ErrorCapture&) = delete;
    ErrorCapture& operator=(const ErrorCapture&) = delete;

    // The message of the first error (or warning, when no error came), without a trailing line
    // break; empty when libxml2 reported nothing.
    QString message() const;
    bool hasError() const { return !error_.isEmpty(); }

    // Records a message of the wrapper itself, as if libxml2 had reported it as an error.
    void record(const QString& message, bool isError = true);

private:
    ErrorCapture* previous_;
    QString error_;
    QString warning_;
};

}  // namespace xmlrt
