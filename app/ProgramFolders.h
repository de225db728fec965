// Where the program keeps the files it owns beside its settings.
#pragma once

#include <QString>

namespace vantorel {

// The profiles folder, with a trailing "/": the "Profiles" folder beside the executable when it
// can be written there (portable and build-tree runs); otherwise the user's data folder's
// "Profiles", created and seeded with the installed profiles (those beside the executable) the
// first time it is needed. An existing user folder is never reseeded, so deleted profiles stay
// deleted.
QString ProfilesFolder();

} // namespace vantorel
