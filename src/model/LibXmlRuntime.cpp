#include "model/LibXmlRuntime.h"

#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlmemory.h>
#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "diag/SecureWipe.h"
#include "model/CodePage932.h"

namespace xmlrt {
namespace {

thread_local ErrorCapture* currentCapture = nullptr;
thread_local bool threadReady = false;

void StructuredHandler(void*, xmlErrorPtr error) {
    if (!error || !currentCapture) return;
    QString text = QString::fromUtf8(error->message ? error->message : "").trimmed();
    if (error->line > 0) text += QStringLiteral(" (line %1)").arg(error->line);
    currentCapture->record(text, error->level >= XML_ERR_ERROR);
}

// libxml2 still routes a few diagnostics through the generic printf-style channel; they are
// dropped here, the structured channel carries everything the wrapper reports.
void GenericHandler(void*, const char*, ...) {}

// External resources are never loaded: data files and imports are parsed from memory, and a
// document that names a DTD or an external entity is refused before anything would be fetched.
xmlParserInputPtr RefuseExternalEntity(const char* url, const char*, xmlParserCtxtPtr ctxt) {
    if (currentCapture)
        currentCapture->record(
            QStringLiteral("external resource refused: %1").arg(QString::fromUtf8(url ? url : "")));
    (void)ctxt;
    return nullptr;
}

// libxml2's allocator: the system's, except that a block is overwritten before it is released.
// Documents, parse and output buffers and encoding conversions all hold the user's secrets in
// clear; none of them stays behind in freed memory once libxml2 lets go of it (a replaced or
// closed document included).
void WipingFree(void* block) {
    if (!block) return;
    WipeMemory(block, malloc_usable_size(block));
    std::free(block);
}

void* WipingRealloc(void* block, std::size_t size) {
    if (!block) return std::malloc(size);
    const std::size_t old = malloc_usable_size(block);
    if (size <= old) return block;
    void* larger = std::malloc(size);
    if (!larger) return nullptr;
    std::memcpy(larger, block, old);
    WipingFree(block);
    return larger;
}

char* WipingStrdup(const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(std::malloc(size));
    if (copy) std::memcpy(copy, text, size);
    return copy;
}

void InitProcess() {
    // Before anything else of libxml2, so that every block it allocates is freed by WipingFree.
    xmlMemSetup(WipingFree, std::malloc, WipingRealloc, WipingStrdup);
    xmlInitParser();
    xmlThrDefSetStructuredErrorFunc(nullptr, StructuredHandler);
    xmlThrDefSetGenericErrorFunc(nullptr, GenericHandler);
    xmlThrDefIndentTreeOutput(1);
    xmlThrDefTreeIndentString("  ");
    xmlSetExternalEntityLoader(RefuseExternalEntity);
    RegisterCodePage932();
}

}  // namespace

void EnsureLibXml() {
    static std::once_flag once;
    std::call_once(once, InitProcess);
    if (!threadReady) {
        // These settings are per thread in libxml2; the defaults above cover threads created
        // later, this covers threads that already existed.
        xmlSetStructuredErrorFunc(nullptr, StructuredHandler);
        xmlSetGenericErrorFunc(nullptr, GenericHandler);
        xmlIndentTreeOutput = 1;
        xmlTreeIndentString = "  ";
        threadReady = true;
    }
}

ErrorCapture::ErrorCapture() : previous_(currentCapture) {
    currentCapture = this;
}

ErrorCapture::~ErrorCapture() {
    currentCapture = previous_;
}

QString ErrorCapture::message() const {
    return error_.isEmpty() ? warning_ : error_;
}

void ErrorCapture::record(const QString& message, bool isError) {
    QString& slot = isError ? error_ : warning_;
    if (slot.isEmpty()) slot = message.isEmpty() ? QStringLiteral("unknown error") : message;
}

}  // namespace xmlrt
