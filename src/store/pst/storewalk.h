// A read-only walk of a whole store file for the store check: the header, both B-trees page by page, every block,
// every node's data and subnode trees, the heaps, property and table contexts on them, the folders' tables and the
// named-property map. Unlike the look-ups, which stop at the first fault, the walk reports each fault it finds and
// goes on past it. Memory stays bounded: a bit per page of the file, and four bytes per listed message.
#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace store::pst::walk {

// What a problem is about; id is the page's offset, the block's or the node's identifier, or the header field's
// offset.
enum class Kind { Header, Page, Block, Node };

struct Problem {
    Kind kind = Kind::Header;
    quint64 id = 0;
    QString what;
};

struct Facts {
    QString variant; // "ANSI", "Unicode", "Unicode 4K"
    QString encryption; // "none", "permute", "cyclic"
    bool ost = false;
    quint64 fileSize = 0;
};

struct Counts {
    quint64 pages = 0; // B-tree pages of both trees
    quint64 blocks = 0;
    quint64 blockBytes = 0; // bytes of blocks read and checked
    quint64 nodes = 0;
    quint64 folders = 0;
    quint64 messages = 0; // normal and associated message nodes
    quint64 orphaned = 0; // message nodes no folder's contents or associated contents table lists
};

class Sink {
public:
    virtual ~Sink() = default;
    virtual void problem(const Problem& problem) = 0;
    // How far the walk is, in thousandths; false stops it.
    virtual bool progress(int permille)
    {
        Q_UNUSED(permille);
        return true;
    }
};

// Walks the file. Throws store::Error when it cannot be opened as a store at all (then nothing else was walked);
// every other fault goes to the sink. orphans, when given, receives the orphaned message nodes in identifier order.
Facts walkStore(const QString& path, Sink& sink, Counts& counts, std::vector<quint32>* orphans = nullptr);

// "header", "page", "block", "node".
QString kindName(Kind kind);

} // namespace store::pst::walk
