// The image modification list: corrections, crops, rotations and resizes, replayed on the source.
#pragma once

#include "ModificationEntry.h"

#include <vector>

class TJPEGImage;

// Lives inside an engine (its owner) and is used on the main thread, except ApplyModification, which
// runs on the owner's compression worker while the main thread leaves the owner alone. Recorded entries are numbered
// 1..Count, the most recent first; they are replayed from the last to the first. Entry 0 is the
// pending entry: the correction being edited and not yet committed.
class TModifyImage {
public:
    explicit TModifyImage(TJPEGImage* owner = nullptr) : m_owner(owner) {}

    int Count() const { return static_cast<int>(m_entries.size()); }
    // i in 0..Count (0 = the pending entry).
    const vantorel::ModificationEntry& Entry(int i) const;
    vantorel::ModificationEntry& Entry(int i);
    const vantorel::ModificationEntry& Pending() const { return m_pending; }
    vantorel::ModificationEntry& Pending() { return m_pending; }

    // Records a modification: with ifAbsent an already recorded kind changes nothing; kind 0 replaces
    // the recorded kind-0 entry; kind 7 composes into a recorded rotation (deleting it when the
    // composition is no rotation); otherwise the entry is inserted as entry 1.
    void AddModification(std::uint8_t kind, std::int32_t value1, std::int32_t value2, std::int32_t value3, bool applied,
                         bool ifAbsent);
    // Marks the pending entry applied, inserts it as entry 1 and starts a zeroed pending entry.
    void CommitPending();
    // Removes entry i (1..Count); other values do nothing.
    void DeleteModification(int i);
    // The lowest index 1..Count holding the kind, 0 when none.
    int IndexOfKind(std::uint8_t kind) const;
    bool HasUnapplied() const;
    void MarkAllApplied();
    void ClearPending();
    bool OnlyRotations() const;
    bool HasNonRotation(bool applied) const;
    void Clear();
    // Replaces the recorded entries (entries[0] becomes entry 1).
    void Assign(std::vector<vantorel::ModificationEntry> entries);

    // Runs the pixel work of entry i (0..Count, 0 = the pending entry) from the owner's source into
    // the owner's bitmap (DecodedBitmap), which the caller then adopts as the new source, and marks
    // the entry applied. Kinds without pixel work here (0 resample, 8 crop, 9 red eyes, 10 quick
    // resize) leave the owner's bitmap sharing the source. In the Lossless mode a rotation transforms
    // the JPEG data of the owner's attached source engine instead, and the owner's bitmap becomes a
    // copy of it decoded again; other kinds are only marked applied. Values beyond -100..100 count
    // as the nearest end. Throws EngineError (entry left unapplied) when there is no picture or no
    // memory, EJPEG from the lossless transform.
    void ApplyModification(int i);

    // The rotation code of a rotation `code` applied after `old` (codes 0..3, 0 = none).
    static int RotCompose(int old, int code);

private:
    std::vector<vantorel::ModificationEntry> m_entries; // m_entries[0] is entry 1
    vantorel::ModificationEntry m_pending;
    TJPEGImage* m_owner;
};
