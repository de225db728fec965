// The toolbar pictures of the commands, drawn at 16 and 32 pixels (normal and large buttons).
#pragma once

#include <QIcon>
#include <QString>

namespace vantorel {

// A null icon for a command without a picture of its own (its button shows the caption).
QIcon CommandPicture(const QString& actionName);

} // namespace vantorel
