#include "readerwalk.h"

#include "decode/decoders.h"
#include "store/pst/ltpproperties.h"
#include "store/pst/ltptable.h"
#include "store/store.h"

namespace oracle {

using namespace store::pst;

namespace {
    constexpr int kMaxDepth = 32; // subnodes nest two or three deep in real stores

    struct Walker {
        WalkCounts& counts;
        QString where; // the store's file, for messages

        // One part of the walk; `what` and `number` say which, in a failure's message only.
        template <class F>
        void part(const char* what, quint64 number, F read)
        {
            const auto here
                = [&] { return where + ' ' + QLatin1String(what) + QStringLiteral(" 0x%1").arg(number, 0, 16); };
            try {
                read();
            } catch (const store::Error& e) {
                ++counts.refused;
                if (e.description().isEmpty()) counts.unclear.append(here() + ": no reason given");
            } catch (const std::exception& e) {
                counts.unclear.append(here() + ": " + QString::fromUtf8(e.what()));
            }
        }

        // Binary values also go through every decoder of field values, which meet the same hostile bytes.
        void binary(quint16 type, const QByteArray& value)
        {
            if ((type & 0x0FFF) == 0x0102) counts.decodedLines += int(decode::decodeWithAll(value));
        }

        void heap(const ndb::Node& node)
        {
            const QByteArray first = node.block(0);
            if (first.size() < 4 || quint8(first[2]) != format::kHeapSignature) return;
            const ltp::Heap heap(node);
            if (heap.clientSignature() == format::ClientPropertyContext) {
                const ltp::PropertyContext pc(node);
                for (const ltp::PropertyEntry& e : pc.entries())
                    part("property", e.tag, [&] {
                        binary(e.type(), pc.value(e));
                        ++counts.values;
                    });
            } else if (heap.clientSignature() == format::ClientTableContext) {
                const ltp::TableContext tc(node);
                for (quint32 r = 0; r < tc.rowCount(); ++r)
                    part("row", r, [&] {
                        (void)tc.rowBytes(r);
                        (void)tc.findRow(tc.rowId(r));
                        for (const ltp::Column& c : tc.columns()) {
                            if (const auto cell = tc.cell(r, c)) binary(c.type(), *cell);
                            ++counts.values;
                        }
                    });
                for (const ltp::Column& c : tc.columns())
                    part("column", c.tag, [&] { tc.scanColumn(c, [](quint32, const char*, int) { return true; }); });
            } else if (heap.clientSignature() == format::ClientBth) {
                const ltp::Bth bth(heap, heap.userRoot());
                bth.forEach([&](const char*, const char*) { return ++counts.values > 0; });
            }
        }

        void node(const ndb::Node& node, int depth)
        {
            ++counts.nodes;
            part("data of", node.nid(), [&] { (void)node.data(); });
            part("heap of", node.nid(), [&] {
                if (node.dataBid() && node.blockCount() > 0) heap(node);
            });
            if (depth < kMaxDepth)
                part("subnodes of", node.nid(), [&] {
                    for (const ndb::SubnodeEntry& e : node.subnodes())
                        part("subnode", e.nid, [&] {
                            if (const auto sub = node.subnode(e.nid)) this->node(*sub, depth + 1);
                        });
                });
        }
    };
} // namespace

WalkCounts walkEverything(const QString& path)
{
    WalkCounts counts;
    const std::shared_ptr<const ndb::NdbFile> file = ndb::NdbFile::open(path);
    Walker w { counts, path };
    std::vector<ndb::NodeEntry> entries;
    w.part("node B-tree", 0, [&] {
        file->forEachNode([&](const ndb::NodeEntry& e) {
            entries.push_back(e);
            return true;
        });
    });
    for (const ndb::NodeEntry& e : entries)
        w.part("node", e.nid, [&] {
            (void)file->findNode(e.nid);
            w.node(ndb::Node(file, e.nid, e.dataBid, e.subnodeBid, e.parentNid), 0);
        });
    return counts;
}

} // namespace oracle
