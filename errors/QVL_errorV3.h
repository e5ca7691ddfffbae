#pragma once

// One scheme of status codes for the whole program: 0 is success, a failure is
// -(class * 1000 + site). The class alone selects the text.

extern int sgSprache;  // 2 = English, anything else = German; initially 1

// Text of the code's class in the current language. The returned buffer is
// owned by this module and overwritten by the next call.
const char* QVL_Fehlermeldung(int code);

// Modal pop-up "Fehler #<n>" with the code's text; silent for class -6.
void QVL_Fehlerpopup(int code);

// Like QVL_Fehlerpopup, but the title is the caller's title followed by " #<n>".
// The whole title is at most 99 characters: a longer caller's title is cut.
void QVL_Fehlerpopup2(int code, const char* title);

void QVL_Fehlersprache(int language);
