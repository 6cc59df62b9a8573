#include "diagmeaning.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

// The context of every text here, for lupdate and the translator alike.
struct DiagMeaning
{
    Q_DECLARE_TR_FUNCTIONS(DiagMeaning)
};

QString translated(const char *text)
{
    return QCoreApplication::translate("DiagMeaning", text);
}

struct Named
{
    int code;
    const char *text;
};

QString lookup(const Named *table, size_t count, int code)
{
    const Named *end = table + count;
    const Named *found =
            std::find_if(table, end, [code](const Named &n) { return n.code == code; });
    return found == end ? QString() : translated(found->text);
}
template<size_t N>
QString lookup(const Named (&table)[N], int code)
{
    return lookup(table, N, code);
}

QString hex(quint32 value, int digits)
{
    return QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

QString hexBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

quint8 at(const QByteArray &bytes, int i)
{
    return quint8(bytes.at(i));
}

// Text of bytes that are all printable ASCII (trailing blanks and zeros cut), else empty.
QString printable(const QByteArray &bytes)
{
    QByteArray text = bytes;
    while (!text.isEmpty() && (text.back() == '\0' || text.back() == ' '))
        text.chop(1);
    if (text.isEmpty())
        return QString();
    for (const char c : text)
        if (c < 0x20 || c > 0x7E)
            return QString();
    return QString::fromLatin1(text);
}

const Named Services[] = {
    { 0x10, QT_TRANSLATE_NOOP("DiagMeaning", "诊断会话控制") },
    { 0x11, QT_TRANSLATE_NOOP("DiagMeaning", "ECU 复位") },
    { 0x14, QT_TRANSLATE_NOOP("DiagMeaning", "清除诊断信息") },
    { 0x19, QT_TRANSLATE_NOOP("DiagMeaning", "读取故障码信息") },
    { 0x22, QT_TRANSLATE_NOOP("DiagMeaning", "按标识符读数据") },
    { 0x23, QT_TRANSLATE_NOOP("DiagMeaning", "按地址读内存") },
    { 0x24, QT_TRANSLATE_NOOP("DiagMeaning", "按标识符读比例数据") },
    { 0x27, QT_TRANSLATE_NOOP("DiagMeaning", "安全访问") },
    { 0x28, QT_TRANSLATE_NOOP("DiagMeaning", "通信控制") },
    { 0x29, QT_TRANSLATE_NOOP("DiagMeaning", "认证") },
    { 0x2A, QT_TRANSLATE_NOOP("DiagMeaning", "按周期标识符读数据") },
    { 0x2C, QT_TRANSLATE_NOOP("DiagMeaning", "动态定义数据标识符") },
    { 0x2E, QT_TRANSLATE_NOOP("DiagMeaning", "按标识符写数据") },
    { 0x2F, QT_TRANSLATE_NOOP("DiagMeaning", "按标识符控制输入输出") },
    { 0x31, QT_TRANSLATE_NOOP("DiagMeaning", "例程控制") },
    { 0x34, QT_TRANSLATE_NOOP("DiagMeaning", "请求下载") },
    { 0x35, QT_TRANSLATE_NOOP("DiagMeaning", "请求上传") },
    { 0x36, QT_TRANSLATE_NOOP("DiagMeaning", "传输数据") },
    { 0x37, QT_TRANSLATE_NOOP("DiagMeaning", "请求退出传输") },
    { 0x38, QT_TRANSLATE_NOOP("DiagMeaning", "请求文件传输") },
    { 0x3D, QT_TRANSLATE_NOOP("DiagMeaning", "按地址写内存") },
    { 0x3E, QT_TRANSLATE_NOOP("DiagMeaning", "诊断仪在线") },
    { 0x83, QT_TRANSLATE_NOOP("DiagMeaning", "访问时间参数") },
    { 0x84, QT_TRANSLATE_NOOP("DiagMeaning", "安全数据传输") },
    { 0x85, QT_TRANSLATE_NOOP("DiagMeaning", "控制故障码设置") },
    { 0x86, QT_TRANSLATE_NOOP("DiagMeaning", "事件响应") },
    { 0x87, QT_TRANSLATE_NOOP("DiagMeaning", "链路控制") },
    // OBD-II modes
    { 0x01, QT_TRANSLATE_NOOP("DiagMeaning", "OBD 当前数据") },
    { 0x02, QT_TRANSLATE_NOOP("DiagMeaning", "OBD 冻结帧数据") },
    { 0x03, QT_TRANSLATE_NOOP("DiagMeaning", "OBD 已存储故障码") },
    { 0x04, QT_TRANSLATE_NOOP("DiagMeaning", "OBD 清除故障码") },
    { 0x05, QT_TRANSLATE_NOOP("DiagMeaning", "OBD 氧传感器测试结果") },
    { 0x06, QT_TRANSLATE_NOOP("DiagMeaning", "OBD 车载监测结果") },
    { 0x07, QT_TRANSLATE_NOOP("DiagMeaning", "OBD 待定故障码") },
    { 0x08, QT_TRANSLATE_NOOP("DiagMeaning", "OBD 车载系统控制") },
    { 0x09, QT_TRANSLATE_NOOP("DiagMeaning", "OBD 车辆信息") },
    { 0x0A, QT_TRANSLATE_NOOP("DiagMeaning", "OBD 永久故障码") },
};

// Services whose second byte is a sub-function with the suppress-positive-response bit.
bool hasSubFunction(quint8 service)
{
    switch (service) {
    case 0x10:
    case 0x11:
    case 0x19:
    case 0x27:
    case 0x28:
    case 0x29:
    case 0x31:
    case 0x3E:
    case 0x83:
    case 0x85:
    case 0x86:
    case 0x87:
    case 0x2C:
        return true;
    default:
        return false;
    }
}

const Named NegativeResponses[] = {
    { 0x10, QT_TRANSLATE_NOOP("DiagMeaning", "一般拒绝") },
    { 0x11, QT_TRANSLATE_NOOP("DiagMeaning", "服务不支持") },
    { 0x12, QT_TRANSLATE_NOOP("DiagMeaning", "子功能不支持") },
    { 0x13, QT_TRANSLATE_NOOP("DiagMeaning", "报文长度错误或格式无效") },
    { 0x14, QT_TRANSLATE_NOOP("DiagMeaning", "响应过长") },
    { 0x21, QT_TRANSLATE_NOOP("DiagMeaning", "忙，请重发请求") },
    { 0x22, QT_TRANSLATE_NOOP("DiagMeaning", "条件不满足") },
    { 0x24, QT_TRANSLATE_NOOP("DiagMeaning", "请求顺序错误") },
    { 0x25, QT_TRANSLATE_NOOP("DiagMeaning", "子网部件无响应") },
    { 0x26, QT_TRANSLATE_NOOP("DiagMeaning", "故障阻止执行所请求的操作") },
    { 0x31, QT_TRANSLATE_NOOP("DiagMeaning", "请求超出范围") },
    { 0x33, QT_TRANSLATE_NOOP("DiagMeaning", "安全访问被拒绝") },
    { 0x34, QT_TRANSLATE_NOOP("DiagMeaning", "需要认证") },
    { 0x35, QT_TRANSLATE_NOOP("DiagMeaning", "密钥无效") },
    { 0x36, QT_TRANSLATE_NOOP("DiagMeaning", "超过尝试次数") },
    { 0x37, QT_TRANSLATE_NOOP("DiagMeaning", "所需延时未到") },
    { 0x70, QT_TRANSLATE_NOOP("DiagMeaning", "不接受上传或下载") },
    { 0x71, QT_TRANSLATE_NOOP("DiagMeaning", "数据传输暂停") },
    { 0x72, QT_TRANSLATE_NOOP("DiagMeaning", "一般编程失败") },
    { 0x73, QT_TRANSLATE_NOOP("DiagMeaning", "块序号错误") },
    { 0x78, QT_TRANSLATE_NOOP("DiagMeaning", "响应待定") },
    { 0x7E, QT_TRANSLATE_NOOP("DiagMeaning", "当前会话不支持该子功能") },
    { 0x7F, QT_TRANSLATE_NOOP("DiagMeaning", "当前会话不支持该服务") },
    { 0x81, QT_TRANSLATE_NOOP("DiagMeaning", "转速过高") },
    { 0x82, QT_TRANSLATE_NOOP("DiagMeaning", "转速过低") },
    { 0x83, QT_TRANSLATE_NOOP("DiagMeaning", "发动机正在运转") },
    { 0x84, QT_TRANSLATE_NOOP("DiagMeaning", "发动机未运转") },
    { 0x85, QT_TRANSLATE_NOOP("DiagMeaning", "发动机运转时间过短") },
    { 0x86, QT_TRANSLATE_NOOP("DiagMeaning", "温度过高") },
    { 0x87, QT_TRANSLATE_NOOP("DiagMeaning", "温度过低") },
    { 0x88, QT_TRANSLATE_NOOP("DiagMeaning", "车速过高") },
    { 0x89, QT_TRANSLATE_NOOP("DiagMeaning", "车速过低") },
    { 0x8A, QT_TRANSLATE_NOOP("DiagMeaning", "油门或踏板过高") },
    { 0x8B, QT_TRANSLATE_NOOP("DiagMeaning", "油门或踏板过低") },
    { 0x8C, QT_TRANSLATE_NOOP("DiagMeaning", "变速器不在空挡") },
    { 0x8D, QT_TRANSLATE_NOOP("DiagMeaning", "变速器不在挡位") },
    { 0x8F, QT_TRANSLATE_NOOP("DiagMeaning", "制动开关未闭合") },
    { 0x90, QT_TRANSLATE_NOOP("DiagMeaning", "换挡杆不在驻车挡") },
    { 0x91, QT_TRANSLATE_NOOP("DiagMeaning", "变矩器离合器锁止") },
    { 0x92, QT_TRANSLATE_NOOP("DiagMeaning", "电压过高") },
    { 0x93, QT_TRANSLATE_NOOP("DiagMeaning", "电压过低") },
};

const Named Sessions[] = {
    { 0x01, QT_TRANSLATE_NOOP("DiagMeaning", "默认会话") },
    { 0x02, QT_TRANSLATE_NOOP("DiagMeaning", "编程会话") },
    { 0x03, QT_TRANSLATE_NOOP("DiagMeaning", "扩展会话") },
    { 0x04, QT_TRANSLATE_NOOP("DiagMeaning", "安全系统会话") },
};

const Named Resets[] = {
    { 0x01, QT_TRANSLATE_NOOP("DiagMeaning", "硬复位") },
    { 0x02, QT_TRANSLATE_NOOP("DiagMeaning", "钥匙关开复位") },
    { 0x03, QT_TRANSLATE_NOOP("DiagMeaning", "软复位") },
};

const Named DtcReports[] = {
    { 0x01, QT_TRANSLATE_NOOP("DiagMeaning", "按状态掩码报告故障码数量") },
    { 0x02, QT_TRANSLATE_NOOP("DiagMeaning", "按状态掩码报告故障码") },
    { 0x04, QT_TRANSLATE_NOOP("DiagMeaning", "报告故障码快照记录") },
    { 0x06, QT_TRANSLATE_NOOP("DiagMeaning", "报告故障码扩展数据记录") },
    { 0x0A, QT_TRANSLATE_NOOP("DiagMeaning", "报告支持的故障码") },
};

const Named Routines[] = {
    { 0x01, QT_TRANSLATE_NOOP("DiagMeaning", "启动例程") },
    { 0x02, QT_TRANSLATE_NOOP("DiagMeaning", "停止例程") },
    { 0x03, QT_TRANSLATE_NOOP("DiagMeaning", "请求例程结果") },
};

const Named DataIdentifiers[] = {
    { 0xF180, QT_TRANSLATE_NOOP("DiagMeaning", "引导软件标识") },
    { 0xF186, QT_TRANSLATE_NOOP("DiagMeaning", "当前诊断会话") },
    { 0xF187, QT_TRANSLATE_NOOP("DiagMeaning", "备件号") },
    { 0xF18A, QT_TRANSLATE_NOOP("DiagMeaning", "系统供应商标识") },
    { 0xF18B, QT_TRANSLATE_NOOP("DiagMeaning", "ECU 生产日期") },
    { 0xF18C, QT_TRANSLATE_NOOP("DiagMeaning", "ECU 序列号") },
    { 0xF190, QT_TRANSLATE_NOOP("DiagMeaning", "车辆识别号 (VIN)") },
    { 0xF191, QT_TRANSLATE_NOOP("DiagMeaning", "ECU 硬件号") },
    { 0xF192, QT_TRANSLATE_NOOP("DiagMeaning", "供应商硬件号") },
    { 0xF193, QT_TRANSLATE_NOOP("DiagMeaning", "供应商硬件版本") },
    { 0xF194, QT_TRANSLATE_NOOP("DiagMeaning", "供应商软件号") },
    { 0xF195, QT_TRANSLATE_NOOP("DiagMeaning", "供应商软件版本") },
    { 0xF197, QT_TRANSLATE_NOOP("DiagMeaning", "系统名称") },
    { 0xF198, QT_TRANSLATE_NOOP("DiagMeaning", "维修站代码") },
    { 0xF199, QT_TRANSLATE_NOOP("DiagMeaning", "编程日期") },
};

const char *const DtcStatusBits[8] = {
    QT_TRANSLATE_NOOP("DiagMeaning", "测试失败"),
    QT_TRANSLATE_NOOP("DiagMeaning", "本操作循环测试失败"),
    QT_TRANSLATE_NOOP("DiagMeaning", "待定"),
    QT_TRANSLATE_NOOP("DiagMeaning", "已确认"),
    QT_TRANSLATE_NOOP("DiagMeaning", "自清除后未完成测试"),
    QT_TRANSLATE_NOOP("DiagMeaning", "自清除后测试失败"),
    QT_TRANSLATE_NOOP("DiagMeaning", "本操作循环未完成测试"),
    QT_TRANSLATE_NOOP("DiagMeaning", "请求警告灯"),
};

const Named AbortReasons[] = {
    { 1, QT_TRANSLATE_NOOP("DiagMeaning", "已在另一个连接中") },
    { 2, QT_TRANSLATE_NOOP("DiagMeaning", "资源不足") },
    { 3, QT_TRANSLATE_NOOP("DiagMeaning", "超时") },
    { 4, QT_TRANSLATE_NOOP("DiagMeaning", "传输中收到允许发送") },
    { 5, QT_TRANSLATE_NOOP("DiagMeaning", "达到最大重传次数") },
    { 6, QT_TRANSLATE_NOOP("DiagMeaning", "意外的数据包") },
    { 7, QT_TRANSLATE_NOOP("DiagMeaning", "序号错误") },
    { 8, QT_TRANSLATE_NOOP("DiagMeaning", "序号重复") },
    { 9, QT_TRANSLATE_NOOP("DiagMeaning", "报文过长") },
};

// J1939 parameter groups a diagnostic or fleet tool meets first.
const Named ParameterGroups[] = {
    { 0xEA00, QT_TRANSLATE_NOOP("DiagMeaning", "请求 (Request)") },
    { 0xEE00, QT_TRANSLATE_NOOP("DiagMeaning", "地址声明 (Address Claimed)") },
    { 0xF004, QT_TRANSLATE_NOOP("DiagMeaning", "电子发动机控制器 1 (EEC1)") },
    { 0xFECA, QT_TRANSLATE_NOOP("DiagMeaning", "当前故障码 (DM1)") },
    { 0xFECB, QT_TRANSLATE_NOOP("DiagMeaning", "历史故障码 (DM2)") },
    { 0xFEE5, QT_TRANSLATE_NOOP("DiagMeaning", "发动机小时数 (HOURS)") },
    { 0xFEEC, QT_TRANSLATE_NOOP("DiagMeaning", "车辆识别 (VI)") },
    { 0xFEEE, QT_TRANSLATE_NOOP("DiagMeaning", "发动机温度 1 (ET1)") },
    { 0xFEF1, QT_TRANSLATE_NOOP("DiagMeaning", "巡航控制/车速 (CCVS)") },
};

// OBD-II mode 01/02 parameters: the data bytes they take and their value.
struct Pid
{
    quint8 pid;
    quint8 bytes;
    const char *name;
    const char *unit;
    double (*value)(const quint8 *d);
};

double a(const quint8 *d)
{
    return d[0];
}
double ab(const quint8 *d)
{
    return d[0] * 256.0 + d[1];
}
double percent(const quint8 *d)
{
    return d[0] * 100.0 / 255.0;
}
double temperature(const quint8 *d)
{
    return d[0] - 40.0;
}
double fuelTrim(const quint8 *d)
{
    return (d[0] - 128.0) * 100.0 / 128.0;
}

const Pid Pids[] = {
    { 0x04, 1, QT_TRANSLATE_NOOP("DiagMeaning", "计算负荷"), "%", percent },
    { 0x05, 1, QT_TRANSLATE_NOOP("DiagMeaning", "冷却液温度"), "°C", temperature },
    { 0x06, 1, QT_TRANSLATE_NOOP("DiagMeaning", "短期燃油修正 (组 1)"), "%", fuelTrim },
    { 0x07, 1, QT_TRANSLATE_NOOP("DiagMeaning", "长期燃油修正 (组 1)"), "%", fuelTrim },
    { 0x08, 1, QT_TRANSLATE_NOOP("DiagMeaning", "短期燃油修正 (组 2)"), "%", fuelTrim },
    { 0x09, 1, QT_TRANSLATE_NOOP("DiagMeaning", "长期燃油修正 (组 2)"), "%", fuelTrim },
    { 0x0A, 1, QT_TRANSLATE_NOOP("DiagMeaning", "燃油压力"), "kPa",
      [](const quint8 *d) { return d[0] * 3.0; } },
    { 0x0B, 1, QT_TRANSLATE_NOOP("DiagMeaning", "进气歧管压力"), "kPa", a },
    { 0x0C, 2, QT_TRANSLATE_NOOP("DiagMeaning", "发动机转速"), "rpm",
      [](const quint8 *d) { return ab(d) / 4.0; } },
    { 0x0D, 1, QT_TRANSLATE_NOOP("DiagMeaning", "车速"), "km/h", a },
    { 0x0E, 1, QT_TRANSLATE_NOOP("DiagMeaning", "点火提前角"), "°",
      [](const quint8 *d) { return d[0] / 2.0 - 64.0; } },
    { 0x0F, 1, QT_TRANSLATE_NOOP("DiagMeaning", "进气温度"), "°C", temperature },
    { 0x10, 2, QT_TRANSLATE_NOOP("DiagMeaning", "空气流量"), "g/s",
      [](const quint8 *d) { return ab(d) / 100.0; } },
    { 0x11, 1, QT_TRANSLATE_NOOP("DiagMeaning", "节气门位置"), "%", percent },
    { 0x1F, 2, QT_TRANSLATE_NOOP("DiagMeaning", "发动机运行时间"), "s", ab },
    { 0x21, 2, QT_TRANSLATE_NOOP("DiagMeaning", "故障灯亮后行驶距离"), "km", ab },
    { 0x2F, 1, QT_TRANSLATE_NOOP("DiagMeaning", "燃油液位"), "%", percent },
    { 0x31, 2, QT_TRANSLATE_NOOP("DiagMeaning", "清除故障码后行驶距离"), "km", ab },
    { 0x33, 1, QT_TRANSLATE_NOOP("DiagMeaning", "大气压力"), "kPa", a },
    { 0x42, 2, QT_TRANSLATE_NOOP("DiagMeaning", "控制模块电压"), "V",
      [](const quint8 *d) { return ab(d) / 1000.0; } },
    { 0x46, 1, QT_TRANSLATE_NOOP("DiagMeaning", "环境温度"), "°C", temperature },
    { 0x5C, 1, QT_TRANSLATE_NOOP("DiagMeaning", "机油温度"), "°C", temperature },
    { 0x5E, 2, QT_TRANSLATE_NOOP("DiagMeaning", "燃油消耗率"), "L/h",
      [](const quint8 *d) { return ab(d) / 20.0; } },
    { 0xA6, 4, QT_TRANSLATE_NOOP("DiagMeaning", "里程"), "km",
      [](const quint8 *d) { return (ab(d) * 65536.0 + ab(d + 2)) / 10.0; } },
};

const Pid *findPid(quint8 pid)
{
    const auto found = std::find_if(std::begin(Pids), std::end(Pids),
                                    [pid](const Pid &p) { return p.pid == pid; });
    return found == std::end(Pids) ? nullptr : found;
}

bool isSupportedPidsPid(quint8 pid)
{
    return pid % 0x20 == 0;
}

// The data bytes a mode 01 parameter takes, -1 when unknown.
int pidBytes(quint8 pid)
{
    if (isSupportedPidsPid(pid))
        return 4;
    if (pid == 0x01)
        return 4;
    const Pid *known = findPid(pid);
    return known ? known->bytes : -1;
}

QString pidName(quint8 pid)
{
    if (isSupportedPidsPid(pid))
        return DiagMeaning::tr("支持的 PID %1-%2").arg(hex(pid + 1u, 2), hex(pid + 0x20u, 2));
    if (pid == 0x01)
        return DiagMeaning::tr("清除故障码后的监测状态");
    const Pid *known = findPid(pid);
    return known ? translated(known->name) : QString();
}

QString pidValue(quint8 pid, const quint8 *d)
{
    if (isSupportedPidsPid(pid)) {
        QStringList supported;
        for (int bit = 0; bit < 32; ++bit)
            if (d[bit / 8] & (0x80 >> (bit % 8)))
                supported << hex(pid + 1u + bit, 2);
        return supported.join(QLatin1Char(' '));
    }
    if (pid == 0x01)
        return DiagMeaning::tr("故障灯%1，%2 个故障码")
                .arg(d[0] & 0x80 ? DiagMeaning::tr("亮") : DiagMeaning::tr("灭"))
                .arg(d[0] & 0x7F);
    const Pid *known = findPid(pid);
    const double value = known->value(d);
    return QString::number(value, 'g', 10) + QLatin1Char(' ') + QString::fromUtf8(known->unit);
}

QString dataIdentifierText(quint16 id)
{
    const QString name = lookup(DataIdentifiers, id);
    return name.isEmpty() ? hex(id, 4) : hex(id, 4) + QLatin1Char(' ') + name;
}

QString statusText(quint8 status)
{
    QStringList bits;
    for (int bit = 0; bit < 8; ++bit)
        if (status & (1 << bit))
            bits << translated(DtcStatusBits[bit]);
    return bits.join(QLatin1String(", "));
}

// UDS: what follows the service byte.
QStringList udsRequestDetails(quint8 service, const QByteArray &p)
{
    QStringList parts;
    if (hasSubFunction(service) && p.size() >= 2) {
        const quint8 sub = at(p, 1) & 0x7F;
        QString subText;
        switch (service) {
        case 0x10:
            subText = lookup(Sessions, sub);
            break;
        case 0x11:
            subText = lookup(Resets, sub);
            break;
        case 0x19:
            subText = lookup(DtcReports, sub);
            break;
        case 0x31:
            subText = lookup(Routines, sub);
            break;
        case 0x27:
            subText = (sub % 2 ? DiagMeaning::tr("请求种子，等级 %1")
                               : DiagMeaning::tr("发送密钥，等级 %1"))
                              .arg((sub + 1) / 2);
            break;
        default:
            break;
        }
        parts << (subText.isEmpty() ? DiagMeaning::tr("子功能 %1").arg(hex(sub, 2)) : subText);
        if (service == 0x31 && p.size() >= 4)
            parts << DiagMeaning::tr("例程 %1").arg(hex(at(p, 2) << 8 | at(p, 3), 4));
        if (service == 0x19 && (sub == 0x01 || sub == 0x02) && p.size() >= 3)
            parts << DiagMeaning::tr("状态掩码 %1").arg(hex(at(p, 2), 2));
        if (at(p, 1) & 0x80)
            parts << DiagMeaning::tr("抑制肯定响应");
    } else if (service == 0x22) {
        for (int i = 1; i + 1 < p.size(); i += 2)
            parts << dataIdentifierText(quint16(at(p, i) << 8 | at(p, i + 1)));
    } else if (service == 0x2E && p.size() >= 3) {
        parts << dataIdentifierText(quint16(at(p, 1) << 8 | at(p, 2)));
        if (p.size() > 3)
            parts << hexBytes(p.mid(3));
    } else if (service == 0x14 && p.size() >= 4) {
        const quint32 group = quint32(at(p, 1)) << 16 | at(p, 2) << 8 | at(p, 3);
        parts << (group == 0xFFFFFF ? DiagMeaning::tr("全部故障码")
                                    : DiagMeaning::tr("故障码组 %1").arg(hex(group, 6)));
    }
    return parts;
}

QStringList udsResponseDetails(quint8 service, const QByteArray &p)
{
    QStringList parts;
    switch (service) {
    case 0x10:
        if (p.size() >= 2)
            parts << lookup(Sessions, at(p, 1));
        break;
    case 0x22:
        if (p.size() >= 3) {
            parts << dataIdentifierText(quint16(at(p, 1) << 8 | at(p, 2)));
            const QByteArray value = p.mid(3);
            const QString text = printable(value);
            if (!text.isEmpty())
                parts << QLatin1Char('"') + text + QLatin1Char('"');
            else if (!value.isEmpty())
                parts << hexBytes(value);
        }
        break;
    case 0x2E:
        if (p.size() >= 3)
            parts << dataIdentifierText(quint16(at(p, 1) << 8 | at(p, 2)));
        break;
    case 0x27:
        if (p.size() >= 2 && at(p, 1) % 2)
            parts << DiagMeaning::tr("种子 %1").arg(hexBytes(p.mid(2)));
        else if (p.size() >= 2)
            parts << DiagMeaning::tr("密钥已接受");
        break;
    case 0x31:
        if (p.size() >= 4)
            parts << lookup(Routines, at(p, 1))
                  << DiagMeaning::tr("例程 %1").arg(hex(at(p, 2) << 8 | at(p, 3), 4));
        break;
    case 0x19:
        if (p.size() >= 2 && (at(p, 1) == 0x02 || at(p, 1) == 0x0A)) {
            QStringList codes;
            for (int i = 3; i + 3 < p.size(); i += 4)
                codes << QStringLiteral("%1-%2 (%3)")
                                 .arg(troubleCodeText(at(p, i), at(p, i + 1)), hex(at(p, i + 2), 2),
                                      statusText(at(p, i + 3)));
            parts << DiagMeaning::tr("%n 个故障码", nullptr, int(codes.size()));
            parts << codes;
        } else if (p.size() >= 6 && at(p, 1) == 0x01) {
            parts << DiagMeaning::tr("%n 个故障码", nullptr, at(p, 4) << 8 | at(p, 5));
        }
        break;
    default:
        break;
    }
    parts.removeAll(QString());
    return parts;
}

QStringList obdRequestDetails(quint8 mode, const QByteArray &p)
{
    QStringList parts;
    if (mode == 0x01 || mode == 0x02 || mode == 0x09) {
        for (int i = 1; i < p.size(); ++i) {
            const QString name = mode == 0x09 ? QString() : pidName(at(p, i));
            parts << (name.isEmpty() ? QStringLiteral("PID %1").arg(hex(at(p, i), 2))
                                     : QStringLiteral("PID %1 %2").arg(hex(at(p, i), 2), name));
            if (mode != 0x01)
                break;
        }
    }
    return parts;
}

QStringList obdResponseDetails(quint8 mode, const QByteArray &p)
{
    QStringList parts;
    switch (mode) {
    case 0x01:
    case 0x02: {
        // Mode 02 repeats the frame number after each parameter.
        const int extra = mode == 0x02 ? 1 : 0;
        int i = 1;
        while (i < p.size()) {
            const quint8 pid = at(p, i);
            const int bytes = pidBytes(pid);
            if (bytes < 0 || i + 1 + extra + bytes > p.size()) {
                parts << DiagMeaning::tr("PID %1: %2").arg(hex(pid, 2), hexBytes(p.mid(i + 1)));
                break;
            }
            const quint8 *d = reinterpret_cast<const quint8 *>(p.constData()) + i + 1 + extra;
            parts << QStringLiteral("%1 %2").arg(pidName(pid), pidValue(pid, d));
            i += 1 + extra + bytes;
        }
        break;
    }
    case 0x03:
    case 0x07:
    case 0x0A: {
        // On CAN the count of codes comes first.
        QStringList codes;
        for (int i = 2; i + 1 < p.size(); i += 2)
            codes << troubleCodeText(at(p, i), at(p, i + 1));
        parts << DiagMeaning::tr("%n 个故障码", nullptr, p.size() >= 2 ? at(p, 1) : 0);
        parts << codes;
        break;
    }
    case 0x04:
        parts << DiagMeaning::tr("故障码已清除");
        break;
    case 0x09:
        if (p.size() >= 3) {
            // PID, the number of data items, the data.
            const QString text = printable(p.mid(3));
            if (at(p, 1) == 0x02 && !text.isEmpty())
                parts << DiagMeaning::tr("VIN \"%1\"").arg(text);
            else if (!text.isEmpty())
                parts << QStringLiteral("PID %1 \"%2\"").arg(hex(at(p, 1), 2), text);
            else
                parts << QStringLiteral("PID %1 %2").arg(hex(at(p, 1), 2), hexBytes(p.mid(2)));
        }
        break;
    default:
        break;
    }
    return parts;
}

bool isObdService(quint8 service)
{
    return service >= 0x01 && service <= 0x0A;
}

} // namespace

QString troubleCodeText(quint8 high, quint8 low)
{
    static const char letters[] = { 'P', 'C', 'B', 'U' };
    return QLatin1Char(letters[high >> 6]) + QString::number((high >> 4) & 3) + hex(high & 0x0F, 1)
            + hex(low, 2);
}

QString serviceName(quint8 service)
{
    const QString name = lookup(Services, service);
    return (name.isEmpty() ? DiagMeaning::tr("服务") : name)
            + QStringLiteral(" (0x%1)").arg(hex(service, 2));
}

QString negativeResponseText(quint8 code)
{
    const QString text = lookup(NegativeResponses, code);
    return (text.isEmpty() ? DiagMeaning::tr("否定响应码") : text)
            + QStringLiteral(" (0x%1)").arg(hex(code, 2));
}

QString j1939AbortReasonText(int reason)
{
    const QString text = lookup(AbortReasons, reason);
    return (text.isEmpty() ? DiagMeaning::tr("原因") : text) + QStringLiteral(" (%1)").arg(reason);
}

QString diagProblemText(DiagMessage::Problem problem)
{
    switch (problem) {
    case DiagMessage::Problem::None:
        return QString();
    case DiagMessage::Problem::OutOfSequence:
        return DiagMeaning::tr("序号不连续");
    case DiagMessage::Problem::TimedOut:
        return DiagMeaning::tr("超时，报文不完整");
    case DiagMessage::Problem::Interrupted:
        return DiagMeaning::tr("被新报文打断");
    case DiagMessage::Problem::Unexpected:
        return DiagMeaning::tr("没有首帧的连续帧");
    case DiagMessage::Problem::Overflow:
        return DiagMeaning::tr("接收方溢出");
    case DiagMessage::Problem::BadLength:
        return DiagMeaning::tr("长度与帧不符");
    case DiagMessage::Problem::Aborted:
        return DiagMeaning::tr("连接中止");
    }
    return QString();
}

bool isDiagRequest(const QByteArray &payload)
{
    if (payload.isEmpty())
        return false;
    const quint8 service = at(payload, 0);
    return service < 0x40 || (service >= 0x80 && service < 0xC0);
}

bool answersRequest(const QByteArray &request, const QByteArray &answer)
{
    if (request.isEmpty() || answer.isEmpty() || !isDiagRequest(request))
        return false;
    const quint8 service = at(request, 0);
    if (at(answer, 0) == 0x7F)
        return answer.size() >= 2 && at(answer, 1) == service;
    return at(answer, 0) == quint8(service + 0x40);
}

bool isResponsePending(const QByteArray &payload)
{
    return payload.size() >= 3 && at(payload, 0) == 0x7F && at(payload, 2) == 0x78;
}

QString diagPayloadMeaning(const QByteArray &p)
{
    if (p.isEmpty())
        return QString();
    const quint8 first = at(p, 0);
    if (first == 0x7F) {
        if (p.size() < 3)
            return DiagMeaning::tr("否定响应");
        return DiagMeaning::tr("%1 否定响应: %2")
                .arg(serviceName(at(p, 1)), negativeResponseText(at(p, 2)));
    }
    QStringList parts;
    QString head;
    if (isDiagRequest(p)) {
        head = DiagMeaning::tr("%1 请求").arg(serviceName(first));
        parts = isObdService(first) ? obdRequestDetails(first, p) : udsRequestDetails(first, p);
    } else {
        const quint8 service = quint8(first - 0x40);
        head = DiagMeaning::tr("%1 肯定响应").arg(serviceName(service));
        parts = isObdService(service) ? obdResponseDetails(service, p)
                                      : udsResponseDetails(service, p);
    }
    return parts.isEmpty() ? head : head + QLatin1String(": ") + parts.join(QLatin1String(", "));
}

QString diagMessageMeaning(const DiagMessage &message)
{
    QString meaning;
    if (message.problem == DiagMessage::Problem::Aborted)
        return diagProblemText(message.problem) + QLatin1String(": ")
                + j1939AbortReasonText(message.abortReason);
    if (message.problem != DiagMessage::Problem::None)
        return diagProblemText(message.problem);
    if (message.protocol == DiagMessage::Protocol::IsoTp) {
        meaning = diagPayloadMeaning(message.payload);
    } else {
        meaning = lookup(ParameterGroups, int(message.pgn));
        // Vehicle identification: the VIN up to its '*'.
        const QString vin = printable(message.payload.left(message.payload.indexOf('*')));
        if (message.pgn == 0xFEEC && !meaning.isEmpty() && !vin.isEmpty())
            meaning += QStringLiteral(" \"%1\"").arg(vin);
    }
    if (message.flowControlWaits > 0)
        meaning += DiagMeaning::tr(" (流控等待 %n 次)", nullptr, message.flowControlWaits);
    return meaning;
}
