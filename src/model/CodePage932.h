#pragma once

// "Shift_JIS" in this program means Windows code page 932 (with its NEC and IBM extensions such
// as ① and the full-width tilde ～), as on Windows. This registers a libxml2 encoding handler under
// that name and its usual aliases, used for writing exports and for reading imports that declare
// it. A character that code page 932 cannot hold exactly (it would not read back as the same
// character) is refused by the encoder, so libxml2 writes it as a character reference instead of
// losing or altering it. Called once from the libxml2 set-up.
void RegisterCodePage932();
