// SQLite databases: the page size times the page count of the header
// (kept up to date by every writer since 2010, which the header's
// "version valid for" number shows). The b-trees are walked from the
// schema page and from every root page the schema names: each page they
// lead to must be a b-tree page, so a database whose pages were
// overwritten or lie elsewhere is found damaged.
#include <algorithm>
#include <set>
#include <vector>

#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

constexpr size_t kMaxVisited = 100000;
constexpr int kMaxDepth = 32;

// A varint (1-9 bytes, big-endian, 7 bits a byte, 8 in the ninth) at p.
size_t Varint(const uint8_t* p, size_t n, uint64_t& v) {
  v = 0;
  for (size_t i = 0; i < n && i < 9; ++i) {
    if (i == 8) {
      v = (v << 8) | p[i];
      return 9;
    }
    v = (v << 7) | (p[i] & 0x7F);
    if (!(p[i] & 0x80)) return i + 1;
  }
  return 0;
}

// Bytes a value of a record's serial type takes.
uint64_t ValueBytes(uint64_t type) {
  static constexpr uint8_t kFixed[12] = {0, 1, 2, 3, 4, 6, 8, 8, 0, 0, 0, 0};
  return type < 12 ? kFixed[type] : (type - 12) / 2;
}

class SqliteWalk {
 public:
  SqliteWalk(CarveReader& in, uint32_t pageSize, uint64_t pages) : in_(in), pageSize_(pageSize), pages_(pages) {}

  // The first page found not to be a b-tree page where one is needed, or 0.
  uint64_t BadPage() {
    std::vector<uint64_t> roots{1};
    for (size_t r = 0; r < roots.size() && !bad_; ++r) Tree(roots[r], 1, 0, r == 0 ? &roots : nullptr);
    return bad_;
  }

 private:
  // page, reached from parent (the schema page for a root): a page number
  // outside the file breaks the parent that holds it.
  void Tree(uint64_t page, uint64_t parent, int depth, std::vector<uint64_t>* roots) {
    if (bad_ || depth > kMaxDepth || visited_.size() >= kMaxVisited || !visited_.insert(page).second) return;
    if (page < 1 || page > pages_) {
      bad_ = parent;
      return;
    }
    if (!in_.Read((page - 1) * pageSize_, data_.data(), pageSize_)) {
      bad_ = page;
      return;
    }
    const size_t head = page == 1 ? 100 : 0;
    const uint8_t type = data_[head];
    if (type != 2 && type != 5 && type != 10 && type != 13) {
      bad_ = page;
      return;
    }
    const bool interior = type == 2 || type == 5;
    const uint16_t cells = LoadBE16(data_.data() + head + 3);
    const size_t pointers = head + (interior ? 12 : 8);
    if (pointers + size_t{cells} * 2 > pageSize_) {
      bad_ = page;
      return;
    }
    // Copies first: walking a child reuses the page buffer.
    std::vector<uint64_t> children;
    for (uint16_t c = 0; c < cells; ++c) {
      const uint16_t at = LoadBE16(data_.data() + pointers + 2 * c);
      if (at < pointers || size_t{at} + 4 > pageSize_) {
        bad_ = page;
        return;
      }
      if (interior) children.push_back(LoadBE32(data_.data() + at));
      if (roots && type == 13) SchemaRow(at, *roots);
    }
    if (interior) children.push_back(LoadBE32(data_.data() + head + 8));
    for (uint64_t child : children) Tree(child, page, depth + 1, roots);
  }

  // A row of the schema table: its fourth column is a root page.
  void SchemaRow(size_t at, std::vector<uint64_t>& roots) {
    const uint8_t* p = data_.data() + at;
    size_t n = pageSize_ - at;
    uint64_t payload, rowid, header;
    size_t k = Varint(p, n, payload);
    if (!k) return;
    const size_t rowidBytes = Varint(p + k, n - k, rowid);
    if (!rowidBytes) return;
    k += rowidBytes;
    const uint8_t* record = p + k;
    n -= k;
    const size_t h = Varint(record, n, header);
    if (!h || header > n) return;
    uint64_t types[4], offset = header;
    size_t t = h;
    for (int col = 0; col < 4; ++col) {
      // The header's own length bounds its serial types; a varint that ran
      // past it leaves no room for the next one.
      if (t >= header) return;
      const size_t b = Varint(record + t, static_cast<size_t>(header) - t, types[col]);
      if (!b) return;
      t += b;
    }
    // Each value lies inside the cell, so no sum of them can wrap.
    for (int col = 0; col < 3; ++col) {
      if (ValueBytes(types[col]) > n) return;
      offset += ValueBytes(types[col]);
    }
    const uint64_t width = ValueBytes(types[3]);
    if (types[3] < 1 || types[3] > 6 || offset + width > n) return;
    uint64_t root = 0;
    for (uint64_t i = 0; i < width; ++i) root = (root << 8) | record[offset + i];
    if (root > 1 && roots.size() < kMaxVisited) roots.push_back(root);
  }

  CarveReader& in_;
  uint32_t pageSize_;
  uint64_t pages_;
  std::vector<uint8_t> data_ = std::vector<uint8_t>(pageSize_);
  std::set<uint64_t> visited_;
  uint64_t bad_ = 0;
};

}  // namespace

WalkResult WalkSqlite(CarveReader& in) {
  uint8_t h[100];
  if (!in.Read(0, h, 100)) return NotFound();
  const uint32_t pageSize = LoadBE16(h + 16) == 1 ? 65536u : LoadBE16(h + 16);
  const uint64_t pages = LoadBE32(h + 28);
  if (pageSize < 512 || pageSize - h[20] < 480) return NotFound();
  // Without a trustworthy page count only the first page is known.
  const uint64_t firstPage = std::min<uint64_t>(pageSize, in.Limit());
  if (pages == 0 || LoadBE32(h + 24) != LoadBE32(h + 92)) return Damaged(firstPage);
  const uint64_t length = pages * pageSize;
  if (!in.Has(0, length)) return Damaged(firstPage);
  SqliteWalk walk(in, pageSize, pages);
  if (const uint64_t bad = walk.BadPage()) return bad == 1 ? NotFound() : Damaged((bad - 1) * pageSize);
  return Complete(length);
}

}  // namespace tarnwell::physical::carve
