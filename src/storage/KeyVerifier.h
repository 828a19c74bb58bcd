#pragma once

#include <QString>

// The fixed block the key verifier encrypts: this phrase in UTF-16LE, 8 code units, 16 bytes.
// Every stored verifier depends on it; it must never change.
inline constexpr char16_t kKeyVerifierPhrase[] = u"夜明けの鐘は遠く";

// The key verifier of a key: the fixed block encrypted with Blowfish under the key's UTF-16LE
// bytes, written as upper-case hexadecimal ("%02X" per byte). A key of n code units gives the
// first 2n bytes (4n digits) for n up to 8; longer keys give all 16 bytes (32 digits), since the
// block has no more. An empty key has no verifier: the result is empty.
// The cipher reads 72 key bytes cyclically, so keys longer than 8 characters share a verifier when
// they agree in their first 36 characters or repeat the same pattern (e.g. "abcabcabc" and
// "abcabcabcabc"); such keys are interchangeable.
QString MakeKeyVerifier(const QString& key);
