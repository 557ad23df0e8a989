#include "health/attribute_names.h"

#include <array>
#include <string_view>

#include "platform/text_codec.h"

namespace tarnwell::health {
namespace {

struct AttributeText {
  uint8_t id;
  std::string_view name;
  std::string_view description;
};

// Several numbers share a name or a description (193/225, 13/201, 194/231,
// 241/250...) because drive makers reused numbers for the same meaning.
// Some names are stored with trailing blanks; the list shows them as stored.
constexpr AttributeText kAttributeTexts[] = {
    {0, "此处无属性       ",
     "此处无属性       "},
    {1, "原始读取错误率   ",
     "未纠正的读取错误计数。较低的值意味着磁盘表面或读取/写入磁头有更多的问题。"},
    {2, "吞吐量性能       ",
     "硬盘驱动器的整体(常规)产量性能。该值降低意味着该硬盘驱动器遇到问题的可能性较高。"},
    {3, "开始旋转时间     ",
     "轴心平均开始旋转时间(从 0 圈/分钟到完全工作)。较低的值意味着驱动器需要花比预期更长的时间旋转至它的额定速度。"},
    {4, "启动/停止计数    ",
     "该属性的原始数据是硬盘轴心启动/停止周期的计数。"},
    {5, "重分配扇区计数",
     "指示发现的损坏扇区个数并重新映射一个保留的扇区池。该值降低是一个危险信号，它意味着发现了某些新的磁盘表面问题。"},
    {6, "读取通道差数     ",
     "读取数据时的通道差数。该属性的功能并未指明。"},
    {7, "错误搜索率       ",
     "磁头的寻找错误率。较低的属性值意味着磁盘表面和磁盘机械子系统情况较差。"},
    {8, "寻道时间性能     ",
     "显示寻找操作的速度。如果该属性值降低，则是硬盘驱动器机械子系统出现问题的标志。"},
    {9, "电源开启小时计数 ",
     "该属性的原始数据显示在此状态的通电小时(或分钟，或秒 - 这取决于磁盘制造商)计数。"},
    {10, "旋转重试计数     ",
     "重新开始旋转尝试次数。如果硬盘驱动器无法第一次就启动轴心，它将继续重试。该属性储存了重试启动的次数。这通常指示严重的控制器或轴承问题，但有时也可能由电源供应问题引起。"},
    {11, "校准重试计数     ",
     "该属性指示请求重新校准的次数。该属性值降低是硬盘机械子系统出现问题的标志。"},
    {12, "电源周期计数     ",
     "硬盘驱动器电源完全启动/切断周期计数。"},
    {13, "软读取错误率",
     "当从磁盘读取发生“程序”错误的频率。该属性值较低指示更多事件(错误)。"},
    {191, "G-Sense 错误率",
     "由振动感应器检测到的冲击负载错误计数。该属性主要局限于笔记本驱动器(2.5 英寸)。一旦纠正操作环境，该属性值将回到正常。"},
    {192, "电源切断收回计数",
     "该属性显示电源切断或紧急收回周期的次数。"},
    {193, "负载/卸载周期计数",
     "加载/卸载周期进入磁头停放区的计数。"},
    {194, "温度             ",
     "驱动器温度。"},
    {195, "硬件 ECC 恢复",
     "飞动错误的频率。"},
    {196, "重分配事件计数   ",
     "重映射操作(从坏扇区传输数据到保留扇区池)计数。该值降低是一个危险信号，它意味着发现了某些新的磁盘表面问题。"},
    {197, "当前未决扇区计数",
     "当前不稳定扇区(等待重映射)计数。它们将被设备离线扫描程序重新测试并归还可使用扇区池。该属性的原始数据指示这类扇区的确切个数。"},
    {198, "离线扫描无法纠正扇区计数",
     "指示离线扫描找到的损坏扇区个数。"},
    {199, "UDMA CRC 错误计数 ",
     "在 UltraDMA 模式下 CRC 错误的总数量。该属性的原始数据指示在 UltraDMA 模式下传输数据由 ICRC (界面 CRC) 找到的错误数。该属性值低通常指示连接器和/或数据线有问题。"},
    {200, "写入错误计数     ",
     "该属性指示当写入一个扇区时发生错误的总数量。较低的值指示更多事件(错误)。"},
    {201, "软读取错误率",
     "记录发生软件读取错误率。较低的值指示更多事件(错误)。"},
    {202, "数据地址标记错误",
     "数据地址标记错误频率。"},
    {203, "耗尽取消",
     "纠错码错误频率。"},
    {204, "软纠错码校正",
     "被软件纠错码纠正的错误数量。"},
    {205, "热苛刻率",
     "热苛刻错误频率。"},
    {206, "飞高",
     "磁头离磁盘表面的高度。"},
    {207, "旋转高度电流",
     "为开始旋转驱动器使用的高电流数量。"},
    {208, "旋转嗡鸣",
     "为开始旋转驱动器使用的嗡鸣程序数量。"},
    {209, "离线寻找性能",
     "驱动器离线操作时的寻找性能。"},
    {220, "磁盘位移",
     "该属性的原始数据指示发生多少磁盘位移。磁盘位移可能由猛烈震动或摔落引起，或是一些其他因素(有时候是温度)。"},
    {221, "G-Sense 错误率",
     "由振动感应器检测到的冲击负载错误计数。该属性主要局限于笔记本驱动器(2.5 英寸)。一旦纠正操作环境，该属性值将回到正常。"},
    {222, "负载小时",
     "由所储存的一般操作小时时间产生的驱动器负载。"},
    {223, "负载/卸载重试计数",
     "由众多重复操作，如:读取、录制、定位磁头等产生的驱动器负载。"},
    {224, "负载摩擦",
     "由机械子系统中摩擦产生的驱动器负载。"},
    {225, "负载/卸载周期计数",
     "加载/卸载周期进入磁头停放区的计数。"},
    {226, "载入时间",
     "加载驱动器所需的一般时间。"},
    {227, "力矩放大计数",
     "旋转状态下驱动器作用力数量。"},
    {228, "电源切断收回计数",
     "固定关闭驱动器数量。"},
    {230, "GMR 磁头振幅",
     "运转模式时磁头(GMR-磁头)震动的振幅。"},
    {231, "温度             ",
     "驱动器温度。"},
    {240, "磁头飞动小时",
     "磁头定位所需时间。"},
    {241, "读取错误重试率",
     "从磁盘读取数据时出现错误的频率。"},
    {250, "读取错误重试率",
     "从磁盘读取数据时出现错误的频率。"},
};
static_assert(std::size(kAttributeTexts) == 47);

constexpr std::string_view kUnknownAttribute = "未知属性";

// The texts in the system code page, converted once and indexed by number;
// numbers not in the table hold the unknown-attribute text.
struct ConvertedTexts {
  std::array<std::string, 256> names, descriptions;
  ConvertedTexts() {
    const std::string unknown = platform::SystemText(kUnknownAttribute);
    names.fill(unknown);
    descriptions.fill(unknown);
    for (const AttributeText& text : kAttributeTexts) {
      names[text.id] = platform::SystemText(text.name);
      descriptions[text.id] = platform::SystemText(text.description);
    }
  }
};

const ConvertedTexts& Texts() {
  static const ConvertedTexts texts;
  return texts;
}

}  // namespace

const std::string& GetAttributeName(uint8_t id) { return Texts().names[id]; }

const std::string& GetAttributeDescription(uint8_t id) { return Texts().descriptions[id]; }

bool IsKnownAttribute(uint8_t id) {
  for (const AttributeText& text : kAttributeTexts)
    if (text.id == id) return true;
  return false;
}

}  // namespace tarnwell::health
