#pragma once

// Thin owners around libpff's handles and its error reporting. Every failing call becomes a store::Error that
// carries a MAPI-style number and libpff's own description; the libpff error is always freed.

#include "store/store.h"

#include <libpff.h>
#include <memory>
#include <optional>

namespace store::pst {

// Collects one libpff error and frees it. raise() turns it into a store::Error.
class PffError {
public:
    PffError() = default;
    PffError(const PffError&) = delete;
    PffError& operator=(const PffError&) = delete;
    ~PffError();

    libpff_error_t** out() { return &m_error; }
    // libpff's description of the error (empty when there is none).
    QString text() const;
    [[noreturn]] void raise(quint32 number, const QString& context);

private:
    libpff_error_t* m_error = nullptr;
};

// Throws a store::Error unless rc is 1 (libpff's success). A return of 0 is "not found" in libpff's look-ups;
// callers that expect it test rc themselves.
void check(int rc, PffError& error, quint32 number, const QString& context);

struct ItemFree {
    void operator()(libpff_item_t* item) const;
};
struct RecordSetFree {
    void operator()(libpff_record_set_t* set) const;
};
struct RecordEntryFree {
    void operator()(libpff_record_entry_t* entry) const;
};
struct FileFree {
    void operator()(libpff_file_t* file) const;
};

using ItemPtr = std::unique_ptr<libpff_item_t, ItemFree>;
using RecordSetPtr = std::unique_ptr<libpff_record_set_t, RecordSetFree>;
using RecordEntryPtr = std::unique_ptr<libpff_record_entry_t, RecordEntryFree>;
using FilePtr = std::unique_ptr<libpff_file_t, FileFree>;

// Record sets of an item: an item's own properties are record set 0; a table item has one per row.
int recordSetCount(libpff_item_t* item);
RecordSetPtr recordSet(libpff_item_t* item, int index);

int entryCount(libpff_record_set_t* set);
RecordEntryPtr entryAt(libpff_record_set_t* set, int index);
// The entry with that property identifier (upper 16 bits of the tag), of any value type; nullptr when absent.
// Named-property mapping is ignored so that a tag of 0x8000 or more matches the stored tag itself.
RecordEntryPtr entryById(libpff_record_set_t* set, quint16 propertyId);

quint32 entryTag(libpff_record_entry_t* entry); // identifier << 16 | value type
QByteArray entryData(libpff_record_entry_t* entry);
// The same into a buffer the caller reuses, so that reading many cells does not allocate for each.
void entryData(libpff_record_entry_t* entry, QByteArray& buffer);

// Raw bytes of one property, nullopt when absent.
std::optional<QByteArray> rawProperty(libpff_record_set_t* set, quint16 propertyId);
std::optional<quint32> longProperty(libpff_record_set_t* set, quint16 propertyId);

// Little-endian readers over raw bytes; out-of-range reads give 0.
quint16 readU16(const QByteArray& data, qsizetype offset);
quint32 readU32(const QByteArray& data, qsizetype offset);
quint64 readU64(const QByteArray& data, qsizetype offset);

} // namespace store::pst
