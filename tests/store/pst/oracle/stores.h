// The stores the reader's tests read whole: the sample stores beside the project, and stores the PST writer makes
// from short descriptions.
#pragma once

#include <QString>
#include <vector>

namespace oracle {

struct StoreFile {
    QString name; // a sample's file name, or what a writer store is for ("types", "shapes", ...)
    QString path;
};

// The stores in the samples folder, or in one of its subfolders ("bad"); empty when the samples are not there.
std::vector<StoreFile> sampleStores(const QString& subfolder = {});

// Writes every writer store into `folder`; empty, with a reason in *error, when one cannot be written.
std::vector<StoreFile> writerStores(const QString& folder, QString* error);

} // namespace oracle
