// Collecting the files of a batch from folders by name masks.
#pragma once

#include <QString>
#include <QStringList>

namespace vantorel {

// Appends the full path of every file in the folder whose name matches the mask (case-insensitive,
// "*.*" matching every name), hidden files included; with `recursive` then the same for every
// sub-folder, depth first (hidden folders and links to folders are not entered, so a link loop
// ends). Files come in the order the file system gives them, a folder's before its sub-folders'.
void CollectFiles(QStringList& list, const QString& folder, const QString& mask, bool recursive);

// The masks of entry `index` (from 1) of a dialog filter ("description|masks|description|masks",
// masks separated by ";"), each collected in turn; a file matched by two masks is listed twice.
void CollectFilesByFilter(QStringList& list, const QString& folder, const QString& filter, bool recursive, int index);

} // namespace vantorel
