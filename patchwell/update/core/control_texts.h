#pragma once

// How patchwell shows the texts the download control raises (StatusChange,
// DLError, Rate, TimeLeft, the summaries of its codes and the texts of its
// message boxes). The control keeps raising its own English texts; here, and
// only here, they become texts in the user's language.

#include <QString>

namespace patchwell::update {

// The shown text of a text the control raised: the translation of its entry
// in the table of control texts, with the parts the control filled in (an
// address, a file, a figure) put back. A text the table does not know is
// shown as it came.
QString ShownControlText(const QString& controlText);

}  // namespace patchwell::update
