#pragma once

// The kinds of message box of both programs and the download control, listed
// once: its icon, its buttons and the answer it gives. Exclamation and Stop
// are the download control's names for Warning and Critical.

namespace common {

enum class BoxIcon { None, Information, Warning, Critical, Exclamation = Warning, Stop = Critical };
enum class BoxButtons { Ok, YesNo };
enum class BoxAnswer { Ok, Yes, No };

}  // namespace common
