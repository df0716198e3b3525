#include "support/zip_writer.h"

#include <algorithm>

#include "common/little_endian.h"

namespace qtest {
namespace {

void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
void Append(Bytes& b, const std::string& more) { b.insert(b.end(), more.begin(), more.end()); }

}  // namespace

uint32_t ReferenceCrc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

ZipEntryPlan Stored(const std::string& name, const std::string& text) {
  ZipEntryPlan e;
  e.name = name;
  e.data = ToBytes(text);
  return e;
}

Bytes BuildZip(const std::vector<ZipEntryPlan>& entries, const ZipLayout& layout,
               std::vector<uint32_t>* offsets) {
  Bytes out = layout.prefix;
  Bytes central;
  for (const ZipEntryPlan& e : entries) {
    const Bytes& payload = e.method == 0 ? e.data : e.packed;
    const uint32_t crc = e.overrideCrc ? e.crc : ReferenceCrc32(e.data);
    const uint32_t packed = static_cast<uint32_t>(payload.size());
    const uint32_t unpacked = static_cast<uint32_t>(
        e.unpackedSize >= 0 ? e.unpackedSize : static_cast<int64_t>(e.data.size()));
    const uint32_t offset = static_cast<uint32_t>(out.size());
    if (offsets) offsets->push_back(offset);
    const bool hideLocal = (e.flags & 8) && e.zeroSizesInLocal;

    q::AppendLe32(out, 0x04034b50);
    const size_t fixedFields = out.size();
    q::AppendLe16(out, 20);
    q::AppendLe16(out, e.flags);
    q::AppendLe16(out, e.localMethod >= 0 ? static_cast<uint32_t>(e.localMethod) : e.method);
    q::AppendLe32(out, e.dosTime);
    q::AppendLe32(out, hideLocal ? 0 : crc);
    q::AppendLe32(out, hideLocal ? 0 : (e.overrideLocalSizes ? e.localPacked : packed));
    q::AppendLe32(out, hideLocal ? 0 : (e.overrideLocalSizes ? e.localUnpacked : unpacked));
    q::AppendLe16(out, static_cast<uint32_t>(e.name.size()));
    q::AppendLe16(out, static_cast<uint32_t>(e.extra.size()));
    if (e.zeroLocalHeader)
      std::fill(out.begin() + static_cast<std::ptrdiff_t>(fixedFields), out.end(), 0);
    Append(out, e.name);
    Append(out, e.extra);
    Append(out, payload);
    if (e.flags & 8) {
      if (e.descriptorSignature) q::AppendLe32(out, 0x08074b50);
      q::AppendLe32(out, e.overrideDescriptorCrc ? e.descriptorCrc : crc);
      q::AppendLe32(out, packed);
      q::AppendLe32(out, unpacked);
    }

    q::AppendLe32(central, e.badCentralSignature ? 0x02014b51 : 0x02014b50);
    q::AppendLe16(central, (static_cast<uint32_t>(e.host) << 8) | 20);
    q::AppendLe16(central, 20);
    q::AppendLe16(central, e.flags);
    q::AppendLe16(central, e.method);
    q::AppendLe32(central, e.dosTime);
    q::AppendLe32(central, crc);
    q::AppendLe32(central, packed);
    q::AppendLe32(central, unpacked);
    q::AppendLe16(central, static_cast<uint32_t>(e.name.size()));
    q::AppendLe16(central, static_cast<uint32_t>(e.extra.size()));
    q::AppendLe16(central, static_cast<uint32_t>(e.comment.size()));
    q::AppendLe16(central, 0);  // disk
    q::AppendLe16(central, 0);  // internal attributes
    q::AppendLe32(central, e.externalAttr);
    q::AppendLe32(central, e.centralOffset >= 0 ? static_cast<uint32_t>(e.centralOffset) : offset);
    Append(central, e.name);
    Append(central, e.extra);
    Append(central, e.comment);
  }
  const uint32_t dirOffset = static_cast<uint32_t>(out.size());
  Append(out, central);
  q::AppendLe32(out, 0x06054b50);
  q::AppendLe16(out, 0);
  q::AppendLe16(out, 0);
  const auto count = static_cast<uint32_t>(
      layout.entryCount >= 0 ? layout.entryCount : static_cast<int32_t>(entries.size()));
  q::AppendLe16(out, count);
  q::AppendLe16(out, count);
  q::AppendLe32(out, static_cast<uint32_t>(central.size()));
  q::AppendLe32(out, dirOffset);
  q::AppendLe16(out, static_cast<uint32_t>(layout.comment.size()));
  Append(out, layout.comment);
  Append(out, layout.trailer);
  return out;
}

}  // namespace qtest
