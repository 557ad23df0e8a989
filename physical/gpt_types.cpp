// Names of the partition types met on personal computers' GPT disks.
#include <cstdio>
#include <string_view>

#include "physical/gpt_entry.h"
#include "platform/text_codec.h"

namespace tarnwell::physical {
namespace {

struct KnownType {
  std::string_view guid;  // text form, upper-case
  std::string_view name;  // UTF-8
};

constexpr KnownType kKnownTypes[] = {
    {"C12A7328-F81F-11D2-BA4B-00A0C93EC93B", "EFI 系统分区"},
    {"EBD0A0A2-B9E5-4433-87C0-68B6B72699C7", "Microsoft 基本数据分区"},
    {"E3C9E316-0B5C-4DB8-817D-F92DF00215AE", "Microsoft 保留分区"},
    {"DE94BBA4-06D1-4D40-A16A-BFD50179D6AC", "Windows 恢复分区"},
    {"5808C8AA-7E8F-42E0-85D2-E1E90434CFB3", "Microsoft LDM 元数据分区"},
    {"AF9B60A0-1431-4F62-BC68-3311714A69AD", "Microsoft LDM 数据分区"},
    {"0FC63DAF-8483-4772-8E79-3D69D8477DE4", "Linux 文件系统"},
    {"4F68BCE3-E8CD-4DB1-96E7-FBCAF984B709", "Linux 根分区 (x86-64)"},
    {"933AC7E1-2EB4-4F13-B844-0E14E2AEF915", "Linux /home 分区"},
    {"0657FD6D-A4AB-43C4-84E5-0933C84B4F4F", "Linux 交换分区"},
    {"E6D6D379-F507-44C2-A23C-238F2A3DF928", "Linux LVM"},
    {"A19D880F-05FC-4D3B-A006-743F0F84911E", "Linux RAID"},
    {"48465300-0000-11AA-AA11-00306543ECAC", "Apple HFS+"},
    {"7C3457EF-0000-11AA-AA11-00306543ECAC", "Apple APFS"},
    {"21686148-6449-6E6F-744E-656564454649", "BIOS 引导分区"},
};

}  // namespace

std::string FormatGuid(const Guid& g) {
  char text[40];
  std::snprintf(text, sizeof text,
                "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", g[3], g[2],
                g[1], g[0], g[5], g[4], g[7], g[6], g[8], g[9], g[10], g[11], g[12], g[13], g[14],
                g[15]);
  return text;
}

std::string GptTypeName(const Guid& typeGuid) {
  const std::string text = FormatGuid(typeGuid);
  for (const KnownType& known : kKnownTypes)
    if (known.guid == text) return platform::SystemText(known.name);
  return text;
}

}  // namespace tarnwell::physical
