// The modification list's bookkeeping; the pixel work of each kind lives with the corrections.
#include "TModifyImage.h"

#include <algorithm>
#include <cassert>

using vantorel::ModificationEntry;

const ModificationEntry& TModifyImage::Entry(int i) const {
    assert(i >= 0 && i <= Count() && "modification index out of range");
    return i == 0 ? m_pending : m_entries[static_cast<std::size_t>(i - 1)];
}

ModificationEntry& TModifyImage::Entry(int i) {
    assert(i >= 0 && i <= Count() && "modification index out of range");
    return i == 0 ? m_pending : m_entries[static_cast<std::size_t>(i - 1)];
}

int TModifyImage::RotCompose(int old, int code) {
    static constexpr int kTable[4][4] = {{0, 1, 2, 3}, {0, 3, 0, 2}, {0, 0, 3, 1}, {0, 2, 1, 0}};
    if (old < 0 || old > 3 || code < 0 || code > 3)
        return old;
    return kTable[old][code];
}

void TModifyImage::AddModification(std::uint8_t kind, std::int32_t value1, std::int32_t value2, std::int32_t value3,
                                   bool applied, bool ifAbsent) {
    if (ifAbsent && IndexOfKind(kind) != 0)
        return;
    if (kind == 0) {
        if (int i = IndexOfKind(0); i != 0)
            DeleteModification(i);
    }
    if (kind == vantorel::kRotationModification) {
        if (int i = IndexOfKind(kind); i != 0) {
            ModificationEntry& rotation = Entry(i);
            rotation.Value1_ = RotCompose(rotation.Value1_, value1);
            if (rotation.Value1_ == 0)
                DeleteModification(i);
            return;
        }
    }
    ModificationEntry entry;
    entry.ModifyType = kind;
    entry.Value1_ = value1;
    entry.Value2_ = value2;
    entry.Value3_ = value3;
    entry.Applied = applied ? 1 : 0;
    m_entries.insert(m_entries.begin(), entry);
}

void TModifyImage::CommitPending() {
    ModificationEntry entry = m_pending;
    entry.Applied = 1;
    m_entries.insert(m_entries.begin(), entry);
    m_pending = ModificationEntry{};
}

void TModifyImage::DeleteModification(int i) {
    if (i <= 0 || i > Count())
        return;
    m_entries.erase(m_entries.begin() + (i - 1));
}

int TModifyImage::IndexOfKind(std::uint8_t kind) const {
    for (int i = 0; i < Count(); ++i)
        if (m_entries[static_cast<std::size_t>(i)].ModifyType == kind)
            return i + 1;
    return 0;
}

bool TModifyImage::HasUnapplied() const {
    return std::any_of(m_entries.begin(), m_entries.end(), [](const ModificationEntry& e) { return e.Applied == 0; });
}

void TModifyImage::MarkAllApplied() {
    for (ModificationEntry& e : m_entries)
        e.Applied = 1;
}

void TModifyImage::ClearPending() {
    m_pending.Value1_ = 0;
    m_pending.Value2_ = 0;
    m_pending.Value3_ = 0;
}

bool TModifyImage::OnlyRotations() const {
    return std::all_of(m_entries.begin(), m_entries.end(),
                       [](const ModificationEntry& e) { return e.ModifyType == vantorel::kRotationModification; });
}

bool TModifyImage::HasNonRotation(bool applied) const {
    return std::any_of(m_entries.begin(), m_entries.end(), [applied](const ModificationEntry& e) {
        return e.ModifyType != vantorel::kRotationModification && (e.Applied != 0) == applied;
    });
}

void TModifyImage::Clear() { m_entries.clear(); }

void TModifyImage::Assign(std::vector<ModificationEntry> entries) { m_entries = std::move(entries); }
