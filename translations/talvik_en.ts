<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>AutoReplyPage</name>
    <message>
        <source>接受Id(16进制)</source>
        <translation>Rx ID (hex)</translation>
    </message>
    <message>
        <source>回复Id(16进制)</source>
        <translation>Reply ID (hex)</translation>
    </message>
    <message>
        <source>回复数据(16进制)</source>
        <translation>Reply data (hex)</translation>
    </message>
    <message>
        <source>The COM port is closed, please open the COM port first</source>
        <translation>The COM port is closed, please open the COM port first</translation>
    </message>
    <message>
        <source>ID不能为空</source>
        <translation>The ID cannot be empty</translation>
    </message>
</context>
<context>
    <name>AutoSendPage</name>
    <message>
        <source>Id(16进制)</source>
        <translation>ID (hex)</translation>
    </message>
    <message>
        <source>数据(16进制)</source>
        <translation>Data (hex)</translation>
    </message>
    <message>
        <source>间隔时间(ms)</source>
        <translation>Interval (ms)</translation>
    </message>
    <message>
        <source>使能</source>
        <translation>Enable</translation>
    </message>
    <message>
        <source>请检查是否有要发送的数据</source>
        <translation>No row is ticked for sending, please check</translation>
    </message>
    <message>
        <source>请检查是否有需要发送的数据</source>
        <translation>No row is ticked for sending, please check</translation>
    </message>
    <message>
        <source>COM端口已关闭，请先打开COM端口</source>
        <translation>The COM port is closed, please open the COM port first</translation>
    </message>
    <message>
        <source>ID不能为空</source>
        <translation>The ID cannot be empty</translation>
    </message>
    <message>
        <source>发送间隔时间不能为空</source>
        <translation>The interval cannot be empty</translation>
    </message>
    <message>
        <source>发送间隔时间值时不对</source>
        <translation>The interval is not valid</translation>
    </message>
</context>
<context>
    <name>BitAnalysisPanel</name>
    <message>
        <source>比较 A 与 B</source>
        <translation>Compare A with B</translation>
    </message>
    <message>
        <source>隐藏数据库已解释的位</source>
        <translation>Hide bits the database explains</translation>
    </message>
    <message>
        <source>报文列表只列出有变化位的报文</source>
        <translation>List only messages with changed bits</translation>
    </message>
    <message>
        <source>查找计数器和校验和</source>
        <translation>Find counters and checksums</translation>
    </message>
    <message>
        <source>做成信号</source>
        <translation>Make signals</translation>
    </message>
    <message>
        <source>整个捕获</source>
        <translation>Whole capture</translation>
    </message>
    <message>
        <source>最近几秒</source>
        <translation>Last seconds</translation>
    </message>
    <message>
        <source>图中显示的时间段</source>
        <translation>Span the plot shows</translation>
    </message>
    <message>
        <source> 秒</source>
        <translation> s</translation>
    </message>
    <message>
        <source>时间段:</source>
        <translation>Span:</translation>
    </message>
    <message>
        <source>A 和 B 尚未标记</source>
        <translation>A and B not marked yet</translation>
    </message>
    <message>
        <source>%1 s 至 %2 s</source>
        <translation>%1 s to %2 s</translation>
    </message>
    <message>
        <source>A: %1; B: %2</source>
        <translation>A: %1; B: %2</translation>
    </message>
    <message>
        <source>尚未标记</source>
        <translation>not marked yet</translation>
    </message>
    <message>
        <source>计数器: 起始位 %1, %2 位, %3, 最大 %4; %5% 的帧加一</source>
        <translation>Counter: start bit %1, %2 bits, %3, highest %4; advances by one in %5% of the frames</translation>
    </message>
    <message>
        <source>校验和: %1, 起始位 %2, %3 位, %4; %5% 的帧相符</source>
        <translation>Checksum: %1, start bit %2, %3 bits, %4; matches %5% of the frames</translation>
    </message>
    <message>
        <source>没有找到计数器或校验和</source>
        <translation>No counter or checksum found</translation>
    </message>
    <message>
        <source>A = 这个时间段</source>
        <translation>A = this span</translation>
    </message>
    <message>
        <source>B = 这个时间段</source>
        <translation>B = this span</translation>
    </message>
    <message>
        <source>按行为搜索信号…</source>
        <translation>Search a signal by behaviour…</translation>
    </message>
    <message>
        <source>把上面选的时间段定为 A (例如什么都不做的几秒)</source>
        <translation>Take the span chosen above as A (for instance a few seconds of doing nothing)</translation>
    </message>
    <message>
        <source>把上面选的时间段定为 B (例如踩下踏板的几秒)</source>
        <translation>Take the span chosen above as B (for instance a few seconds with the pedal pressed)</translation>
    </message>
    <message>
        <source>这个报文在 A 和 B 中都没有帧</source>
        <translation>This message has no frames in A or B</translation>
    </message>
    <message>
        <source>这个报文在 A 中没有帧, 无法比较</source>
        <translation>This message has no frames in A: nothing to compare</translation>
    </message>
    <message>
        <source>这个报文在 B 中没有帧, 无法比较</source>
        <translation>This message has no frames in B: nothing to compare</translation>
    </message>
    <message>
        <source>这个报文在所选时间段内没有帧</source>
        <translation>This message has no frames in the chosen span</translation>
    </message>
</context>
<context>
    <name>BitGrid</name>
    <message>
        <source>字节 %1</source>
        <translation>Byte %1</translation>
    </message>
    <message>
        <source>位 %1 (字节 %2 的位 %3): 值 %4, 翻转 %5 次</source>
        <translation>Bit %1 (byte %2, bit %3): value %4, flipped %5 times</translation>
    </message>
    <message>
        <source>; 在 A 中不变, 在 B 中变化</source>
        <translation>; constant in A, changes in B</translation>
    </message>
    <message>
        <source>; 在 A 中变化, 在 B 中不变</source>
        <translation>; changes in A, constant in B</translation>
    </message>
    <message>
        <source>; 在 A 和 B 中都不变, 但值不同</source>
        <translation>; constant in A and in B, at other values</translation>
    </message>
    <message>
        <source>; 信号 %1</source>
        <translation>; signal %1</translation>
    </message>
</context>
<context>
    <name>BusStatus</name>
    <message>
        <source>总线状态:</source>
        <translation>Bus state: </translation>
    </message>
    <message>
        <source>离线, </source>
        <translation>bus-off, </translation>
    </message>
    <message>
        <source>正常, </source>
        <translation>bus-on, </translation>
    </message>
    <message>
        <source>错误被动, </source>
        <translation>error passive, </translation>
    </message>
    <message>
        <source>错误告警, </source>
        <translation>error warning, </translation>
    </message>
    <message>
        <source>正常状态</source>
        <translation>error active, </translation>
    </message>
    <message>
        <source>发送错误计数器  = %1, 接受错误计数器 = %2</source>
        <translation>Tx error counter = %1, Rx error counter = %2</translation>
    </message>
</context>
<context>
    <name>CanConfigPage</name>
    <message>
        <source>无法读取Can总线状态。请检查转换器的波特率和端口，或者在恢复默认值后重试.</source>
        <translation>Cannot read the CAN bus status. Check the converter&apos;s baud rate and port, or restore its defaults and try again.</translation>
    </message>
    <message>
        <source>After clicking OK, the baud rate of the adapter will be changed to your newly set baud rate.

To communicate with the adapter again, close the COM port in this software, select the adapter&apos;s new baud rate as the port baud rate and open the COM port again: the new baud rate is saved in the adapter and stays in force after it is powered off and on again.

How to know the current baud rate of the adapter: when the adapter is powered up, its receive and send indicators flash together. The number of these simultaneous flashes tells the baud rate the adapter uses:
1 flash: 2000000 bps
2 flashes: 1228800 bps
3 flashes: 115200 bps
4 flashes: 38400 bps
5 flashes: 19200 bps
6 flashes: 9600 bps

If you click Cancel, nothing is sent and the adapter keeps its previous baud rate.</source>
        <translation>After clicking OK, the baud rate of the adapter will be changed to your newly set baud rate.

To communicate with the adapter again, close the COM port in this software, select the adapter&apos;s new baud rate as the port baud rate and open the COM port again: the new baud rate is saved in the adapter and stays in force after it is powered off and on again.

How to know the current baud rate of the adapter: when the adapter is powered up, its receive and send indicators flash together. The number of these simultaneous flashes tells the baud rate the adapter uses:
1 flash: 2000000 bps
2 flashes: 1228800 bps
3 flashes: 115200 bps
4 flashes: 38400 bps
5 flashes: 19200 bps
6 flashes: 9600 bps

If you click Cancel, nothing is sent and the adapter keeps its previous baud rate.</translation>
    </message>
    <message>
        <source>COM端口已关闭，请先打开COM端口</source>
        <translation>The COM port is closed, please open the COM port first</translation>
    </message>
    <message>
        <source>预分频（十进制）值错误，不在（1~1023）范围内</source>
        <translation>Prescaler (decimal) out of range (1 to 1023)</translation>
    </message>
    <message>
        <source>保存失败: </source>
        <translation>Save failed: </translation>
    </message>
    <message>
        <source>Change the baud rate of the adapter</source>
        <translation>Change the baud rate of the adapter</translation>
    </message>
    <message>
        <source>位速率 %1 bit/s 未能设置（%2）</source>
        <translation>Bit rate %1 bit/s not set (%2)</translation>
    </message>
    <message>
        <source>，请在终端中设置：%1</source>
        <translation>; set it in a terminal: %1</translation>
    </message>
    <message>
        <source>滤波ID和屏蔽ID未能设置（%1）</source>
        <translation>Filter ID and mask not set (%1)</translation>
    </message>
    <message>
        <source>CAN接口已设置：%1 bit/s</source>
        <translation>CAN interface set: %1 bit/s</translation>
    </message>
    <message>
        <source>CAN接口以正常模式工作：其他工作模式是转换器的设置</source>
        <translation>A CAN interface works in normal mode: the other work modes are the converter&apos;s settings</translation>
    </message>
    <message>
        <source>这是转换器串口上的设置，CAN接口没有</source>
        <translation>This is a setting of the converter&apos;s serial line; a CAN interface has none</translation>
    </message>
    <message>
        <source>此CAN接口不报告总线状态</source>
        <translation>This CAN interface does not report its bus state</translation>
    </message>
    <message>
        <source>此接口不支持CAN FD</source>
        <translation>this interface does not carry CAN FD</translation>
    </message>
    <message>
        <source>CAN FD数据速率“%1”不是速率</source>
        <translation>The CAN FD data rate &quot;%1&quot; is not a rate</translation>
    </message>
    <message>
        <source>CAN FD数据速率 %1 bit/s 未能设置（%2）</source>
        <translation>CAN FD data rate %1 bit/s not set (%2)</translation>
    </message>
    <message>
        <source>CAN FD需要CAN接口：转换器只收发经典CAN帧</source>
        <translation>CAN FD needs a CAN interface: the converter carries classic frames only</translation>
    </message>
    <message>
        <source>，接口当前为 %1 bit/s</source>
        <translation>; the interface runs at %1 bit/s</translation>
    </message>
</context>
<context>
    <name>CellWords</name>
    <message>
        <source>接受</source>
        <comment>direction</comment>
        <translation>Rx</translation>
    </message>
    <message>
        <source>发送</source>
        <comment>direction</comment>
        <translation>Tx</translation>
    </message>
    <message>
        <source>数据帧</source>
        <comment>frame format</comment>
        <translation>Data</translation>
    </message>
    <message>
        <source>远程帧</source>
        <comment>frame format</comment>
        <translation>Remote</translation>
    </message>
    <message>
        <source>标准帧</source>
        <comment>frame type</comment>
        <translation>Standard</translation>
    </message>
    <message>
        <source>扩展帧</source>
        <comment>frame type</comment>
        <translation>Extended</translation>
    </message>
    <message>
        <source>发送</source>
        <comment>list send cell</comment>
        <translation>Send</translation>
    </message>
</context>
<context>
    <name>DbcEditor</name>
    <message>
        <source>未能更改数据库: %1</source>
        <translation>Could not change the database: %1</translation>
    </message>
    <message>
        <source>已添加信号 %1 (未保存)</source>
        <translation>Signal %1 added (not saved)</translation>
    </message>
    <message>
        <source>已更改信号 %1 (未保存)</source>
        <translation>Signal %1 changed (not saved)</translation>
    </message>
    <message>
        <source>已删除信号 %1 (未保存)</source>
        <translation>Signal %1 removed (not saved)</translation>
    </message>
    <message>
        <source>已撤销上一次更改</source>
        <translation>Last change undone</translation>
    </message>
    <message>
        <source>保存DBC</source>
        <translation>Save DBC</translation>
    </message>
    <message>
        <source>CAN 数据库 (*.dbc)</source>
        <translation>CAN database (*.dbc)</translation>
    </message>
    <message>
        <source>无法保存 %1: %2. 文件保持原样.</source>
        <translation>Could not save %1: %2. The file is as it was.</translation>
    </message>
    <message>
        <source>已保存 %1</source>
        <translation>Saved %1</translation>
    </message>
    <message>
        <source>未保存的更改</source>
        <translation>Unsaved changes</translation>
    </message>
    <message>
        <source>新数据库还没有保存.</source>
        <translation>The new database has not been saved.</translation>
    </message>
    <message>
        <source>%1 有未保存的更改.</source>
        <translation>%1 has unsaved changes.</translation>
    </message>
    <message>
        <source>保存更改吗?</source>
        <translation>Save the changes?</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>不保存</source>
        <translation>Don&apos;t save</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>DiagConsole</name>
    <message>
        <source>发送请求</source>
        <translation>Send request</translation>
    </message>
    <message>
        <source>诊断仪在线 (每 2 秒)</source>
        <translation>Tester present (every 2 s)</translation>
    </message>
    <message>
        <source>OBD-II 功能寻址 7DF → 7E8-7EF</source>
        <translation>OBD-II functional 7DF → 7E8-7EF</translation>
    </message>
    <message>
        <source>物理寻址 %1 → %2</source>
        <translation>Physical %1 → %2</translation>
    </message>
    <message>
        <source>29 位 18DA10F1 → 18DAF110</source>
        <translation>29-bit 18DA10F1 → 18DAF110</translation>
    </message>
    <message>
        <source>自定义标识符</source>
        <translation>Custom identifiers</translation>
    </message>
    <message>
        <source>请求标识符</source>
        <translation>Request ID</translation>
    </message>
    <message>
        <source>响应标识符</source>
        <translation>Answer ID</translation>
    </message>
    <message>
        <source>十六进制字节，如 22 F1 90（读 VIN）、19 02 FF（读故障码）、01 0C（发动机转速）</source>
        <translation>Bytes in hex, e.g. 22 F1 90 (read the VIN), 19 02 FF (read DTCs), 01 0C (engine speed)</translation>
    </message>
    <message>
        <source>寻址:</source>
        <translation>Addressing:</translation>
    </message>
    <message>
        <source>请求:</source>
        <translation>Request:</translation>
    </message>
    <message>
        <source>请求和响应标识符要写成十六进制</source>
        <translation>Write the request and answer identifiers in hex</translation>
    </message>
    <message>
        <source>“%1”不是十六进制字节</source>
        <translation>&quot;%1&quot; is not a byte in hex</translation>
    </message>
    <message>
        <source>请求要有 1 到 4095 个字节</source>
        <translation>A request has 1 to 4095 bytes</translation>
    </message>
    <message>
        <source>上一个请求还在发送</source>
        <translation>The last request is still being sent</translation>
    </message>
    <message>
        <source>未发送：端口没有打开，或设备不收这一帧</source>
        <translation>Not sent: the port is not open, or the device does not take this frame</translation>
    </message>
    <message>
        <source>接收方溢出，请求未发完</source>
        <translation>The receiver overflowed: the request was not sent whole</translation>
    </message>
    <message>
        <source>接收方等待次数太多，请求未发完</source>
        <translation>The receiver asked to wait too often: the request was not sent whole</translation>
    </message>
    <message>
        <source>没有流控帧，请求未发完</source>
        <translation>No flow control came: the request was not sent whole</translation>
    </message>
    <message>
        <source>超时：%1 ms 内没有应答</source>
        <translation>Timed out: no answer within %1 ms</translation>
    </message>
</context>
<context>
    <name>DiagMeaning</name>
    <message>
        <source>诊断会话控制</source>
        <translation>DiagnosticSessionControl</translation>
    </message>
    <message>
        <source>ECU 复位</source>
        <translation>ECUReset</translation>
    </message>
    <message>
        <source>清除诊断信息</source>
        <translation>ClearDiagnosticInformation</translation>
    </message>
    <message>
        <source>读取故障码信息</source>
        <translation>ReadDTCInformation</translation>
    </message>
    <message>
        <source>按标识符读数据</source>
        <translation>ReadDataByIdentifier</translation>
    </message>
    <message>
        <source>按地址读内存</source>
        <translation>ReadMemoryByAddress</translation>
    </message>
    <message>
        <source>按标识符读比例数据</source>
        <translation>ReadScalingDataByIdentifier</translation>
    </message>
    <message>
        <source>安全访问</source>
        <translation>SecurityAccess</translation>
    </message>
    <message>
        <source>通信控制</source>
        <translation>CommunicationControl</translation>
    </message>
    <message>
        <source>认证</source>
        <translation>Authentication</translation>
    </message>
    <message>
        <source>按周期标识符读数据</source>
        <translation>ReadDataByPeriodicIdentifier</translation>
    </message>
    <message>
        <source>动态定义数据标识符</source>
        <translation>DynamicallyDefineDataIdentifier</translation>
    </message>
    <message>
        <source>按标识符写数据</source>
        <translation>WriteDataByIdentifier</translation>
    </message>
    <message>
        <source>按标识符控制输入输出</source>
        <translation>InputOutputControlByIdentifier</translation>
    </message>
    <message>
        <source>例程控制</source>
        <translation>RoutineControl</translation>
    </message>
    <message>
        <source>请求下载</source>
        <translation>RequestDownload</translation>
    </message>
    <message>
        <source>请求上传</source>
        <translation>RequestUpload</translation>
    </message>
    <message>
        <source>传输数据</source>
        <translation>TransferData</translation>
    </message>
    <message>
        <source>请求退出传输</source>
        <translation>RequestTransferExit</translation>
    </message>
    <message>
        <source>请求文件传输</source>
        <translation>RequestFileTransfer</translation>
    </message>
    <message>
        <source>按地址写内存</source>
        <translation>WriteMemoryByAddress</translation>
    </message>
    <message>
        <source>诊断仪在线</source>
        <translation>TesterPresent</translation>
    </message>
    <message>
        <source>访问时间参数</source>
        <translation>AccessTimingParameter</translation>
    </message>
    <message>
        <source>安全数据传输</source>
        <translation>SecuredDataTransmission</translation>
    </message>
    <message>
        <source>控制故障码设置</source>
        <translation>ControlDTCSetting</translation>
    </message>
    <message>
        <source>事件响应</source>
        <translation>ResponseOnEvent</translation>
    </message>
    <message>
        <source>链路控制</source>
        <translation>LinkControl</translation>
    </message>
    <message>
        <source>OBD 当前数据</source>
        <translation>OBD current data</translation>
    </message>
    <message>
        <source>OBD 冻结帧数据</source>
        <translation>OBD freeze frame data</translation>
    </message>
    <message>
        <source>OBD 已存储故障码</source>
        <translation>OBD stored DTCs</translation>
    </message>
    <message>
        <source>OBD 清除故障码</source>
        <translation>OBD clear DTCs</translation>
    </message>
    <message>
        <source>OBD 氧传感器测试结果</source>
        <translation>OBD oxygen sensor test results</translation>
    </message>
    <message>
        <source>OBD 车载监测结果</source>
        <translation>OBD on-board monitoring results</translation>
    </message>
    <message>
        <source>OBD 待定故障码</source>
        <translation>OBD pending DTCs</translation>
    </message>
    <message>
        <source>OBD 车载系统控制</source>
        <translation>OBD control of on-board system</translation>
    </message>
    <message>
        <source>OBD 车辆信息</source>
        <translation>OBD vehicle information</translation>
    </message>
    <message>
        <source>OBD 永久故障码</source>
        <translation>OBD permanent DTCs</translation>
    </message>
    <message>
        <source>一般拒绝</source>
        <translation>generalReject</translation>
    </message>
    <message>
        <source>服务不支持</source>
        <translation>serviceNotSupported</translation>
    </message>
    <message>
        <source>子功能不支持</source>
        <translation>subFunctionNotSupported</translation>
    </message>
    <message>
        <source>报文长度错误或格式无效</source>
        <translation>incorrectMessageLengthOrInvalidFormat</translation>
    </message>
    <message>
        <source>响应过长</source>
        <translation>responseTooLong</translation>
    </message>
    <message>
        <source>忙，请重发请求</source>
        <translation>busyRepeatRequest</translation>
    </message>
    <message>
        <source>条件不满足</source>
        <translation>conditionsNotCorrect</translation>
    </message>
    <message>
        <source>请求顺序错误</source>
        <translation>requestSequenceError</translation>
    </message>
    <message>
        <source>子网部件无响应</source>
        <translation>noResponseFromSubnetComponent</translation>
    </message>
    <message>
        <source>故障阻止执行所请求的操作</source>
        <translation>failurePreventsExecutionOfRequestedAction</translation>
    </message>
    <message>
        <source>请求超出范围</source>
        <translation>requestOutOfRange</translation>
    </message>
    <message>
        <source>安全访问被拒绝</source>
        <translation>securityAccessDenied</translation>
    </message>
    <message>
        <source>需要认证</source>
        <translation>authenticationRequired</translation>
    </message>
    <message>
        <source>密钥无效</source>
        <translation>invalidKey</translation>
    </message>
    <message>
        <source>超过尝试次数</source>
        <translation>exceededNumberOfAttempts</translation>
    </message>
    <message>
        <source>所需延时未到</source>
        <translation>requiredTimeDelayNotExpired</translation>
    </message>
    <message>
        <source>不接受上传或下载</source>
        <translation>uploadDownloadNotAccepted</translation>
    </message>
    <message>
        <source>数据传输暂停</source>
        <translation>transferDataSuspended</translation>
    </message>
    <message>
        <source>一般编程失败</source>
        <translation>generalProgrammingFailure</translation>
    </message>
    <message>
        <source>块序号错误</source>
        <translation>wrongBlockSequenceCounter</translation>
    </message>
    <message>
        <source>响应待定</source>
        <translation>response pending</translation>
    </message>
    <message>
        <source>当前会话不支持该子功能</source>
        <translation>subFunctionNotSupportedInActiveSession</translation>
    </message>
    <message>
        <source>当前会话不支持该服务</source>
        <translation>serviceNotSupportedInActiveSession</translation>
    </message>
    <message>
        <source>转速过高</source>
        <translation>rpmTooHigh</translation>
    </message>
    <message>
        <source>转速过低</source>
        <translation>rpmTooLow</translation>
    </message>
    <message>
        <source>发动机正在运转</source>
        <translation>engineIsRunning</translation>
    </message>
    <message>
        <source>发动机未运转</source>
        <translation>engineIsNotRunning</translation>
    </message>
    <message>
        <source>发动机运转时间过短</source>
        <translation>engineRunTimeTooLow</translation>
    </message>
    <message>
        <source>温度过高</source>
        <translation>temperatureTooHigh</translation>
    </message>
    <message>
        <source>温度过低</source>
        <translation>temperatureTooLow</translation>
    </message>
    <message>
        <source>车速过高</source>
        <translation>vehicleSpeedTooHigh</translation>
    </message>
    <message>
        <source>车速过低</source>
        <translation>vehicleSpeedTooLow</translation>
    </message>
    <message>
        <source>油门或踏板过高</source>
        <translation>throttlePedalTooHigh</translation>
    </message>
    <message>
        <source>油门或踏板过低</source>
        <translation>throttlePedalTooLow</translation>
    </message>
    <message>
        <source>变速器不在空挡</source>
        <translation>transmissionRangeNotInNeutral</translation>
    </message>
    <message>
        <source>变速器不在挡位</source>
        <translation>transmissionRangeNotInGear</translation>
    </message>
    <message>
        <source>制动开关未闭合</source>
        <translation>brakeSwitchNotClosed</translation>
    </message>
    <message>
        <source>换挡杆不在驻车挡</source>
        <translation>shifterLeverNotInPark</translation>
    </message>
    <message>
        <source>变矩器离合器锁止</source>
        <translation>torqueConverterClutchLocked</translation>
    </message>
    <message>
        <source>电压过高</source>
        <translation>voltageTooHigh</translation>
    </message>
    <message>
        <source>电压过低</source>
        <translation>voltageTooLow</translation>
    </message>
    <message>
        <source>默认会话</source>
        <translation>default session</translation>
    </message>
    <message>
        <source>编程会话</source>
        <translation>programming session</translation>
    </message>
    <message>
        <source>扩展会话</source>
        <translation>extended session</translation>
    </message>
    <message>
        <source>安全系统会话</source>
        <translation>safety system session</translation>
    </message>
    <message>
        <source>硬复位</source>
        <translation>hard reset</translation>
    </message>
    <message>
        <source>钥匙关开复位</source>
        <translation>key off on reset</translation>
    </message>
    <message>
        <source>软复位</source>
        <translation>soft reset</translation>
    </message>
    <message>
        <source>按状态掩码报告故障码数量</source>
        <translation>reportNumberOfDTCByStatusMask</translation>
    </message>
    <message>
        <source>按状态掩码报告故障码</source>
        <translation>reportDTCByStatusMask</translation>
    </message>
    <message>
        <source>报告故障码快照记录</source>
        <translation>reportDTCSnapshotRecordByDTCNumber</translation>
    </message>
    <message>
        <source>报告故障码扩展数据记录</source>
        <translation>reportDTCExtDataRecordByDTCNumber</translation>
    </message>
    <message>
        <source>报告支持的故障码</source>
        <translation>reportSupportedDTC</translation>
    </message>
    <message>
        <source>启动例程</source>
        <translation>startRoutine</translation>
    </message>
    <message>
        <source>停止例程</source>
        <translation>stopRoutine</translation>
    </message>
    <message>
        <source>请求例程结果</source>
        <translation>requestRoutineResults</translation>
    </message>
    <message>
        <source>引导软件标识</source>
        <translation>boot software identification</translation>
    </message>
    <message>
        <source>当前诊断会话</source>
        <translation>active diagnostic session</translation>
    </message>
    <message>
        <source>备件号</source>
        <translation>spare part number</translation>
    </message>
    <message>
        <source>系统供应商标识</source>
        <translation>system supplier identifier</translation>
    </message>
    <message>
        <source>ECU 生产日期</source>
        <translation>ECU manufacturing date</translation>
    </message>
    <message>
        <source>ECU 序列号</source>
        <translation>ECU serial number</translation>
    </message>
    <message>
        <source>车辆识别号 (VIN)</source>
        <translation>VIN</translation>
    </message>
    <message>
        <source>ECU 硬件号</source>
        <translation>ECU hardware number</translation>
    </message>
    <message>
        <source>供应商硬件号</source>
        <translation>supplier hardware number</translation>
    </message>
    <message>
        <source>供应商硬件版本</source>
        <translation>supplier hardware version</translation>
    </message>
    <message>
        <source>供应商软件号</source>
        <translation>supplier software number</translation>
    </message>
    <message>
        <source>供应商软件版本</source>
        <translation>supplier software version</translation>
    </message>
    <message>
        <source>系统名称</source>
        <translation>system name</translation>
    </message>
    <message>
        <source>维修站代码</source>
        <translation>repair shop code</translation>
    </message>
    <message>
        <source>编程日期</source>
        <translation>programming date</translation>
    </message>
    <message>
        <source>测试失败</source>
        <translation>testFailed</translation>
    </message>
    <message>
        <source>本操作循环测试失败</source>
        <translation>testFailedThisOperationCycle</translation>
    </message>
    <message>
        <source>待定</source>
        <translation>pendingDTC</translation>
    </message>
    <message>
        <source>已确认</source>
        <translation>confirmedDTC</translation>
    </message>
    <message>
        <source>自清除后未完成测试</source>
        <translation>testNotCompletedSinceLastClear</translation>
    </message>
    <message>
        <source>自清除后测试失败</source>
        <translation>testFailedSinceLastClear</translation>
    </message>
    <message>
        <source>本操作循环未完成测试</source>
        <translation>testNotCompletedThisOperationCycle</translation>
    </message>
    <message>
        <source>请求警告灯</source>
        <translation>warningIndicatorRequested</translation>
    </message>
    <message>
        <source>已在另一个连接中</source>
        <translation>already in one or more connection-managed sessions</translation>
    </message>
    <message>
        <source>资源不足</source>
        <translation>system resources needed elsewhere</translation>
    </message>
    <message>
        <source>超时</source>
        <translation>timeout</translation>
    </message>
    <message>
        <source>传输中收到允许发送</source>
        <translation>CTS received while data transfer in progress</translation>
    </message>
    <message>
        <source>达到最大重传次数</source>
        <translation>maximum retransmit requests reached</translation>
    </message>
    <message>
        <source>意外的数据包</source>
        <translation>unexpected data transfer packet</translation>
    </message>
    <message>
        <source>序号错误</source>
        <translation>bad sequence number</translation>
    </message>
    <message>
        <source>序号重复</source>
        <translation>duplicate sequence number</translation>
    </message>
    <message>
        <source>报文过长</source>
        <translation>message size greater than 1785 bytes</translation>
    </message>
    <message>
        <source>计算负荷</source>
        <translation>calculated engine load</translation>
    </message>
    <message>
        <source>冷却液温度</source>
        <translation>engine coolant temperature</translation>
    </message>
    <message>
        <source>短期燃油修正 (组 1)</source>
        <translation>short term fuel trim (bank 1)</translation>
    </message>
    <message>
        <source>长期燃油修正 (组 1)</source>
        <translation>long term fuel trim (bank 1)</translation>
    </message>
    <message>
        <source>短期燃油修正 (组 2)</source>
        <translation>short term fuel trim (bank 2)</translation>
    </message>
    <message>
        <source>长期燃油修正 (组 2)</source>
        <translation>long term fuel trim (bank 2)</translation>
    </message>
    <message>
        <source>燃油压力</source>
        <translation>fuel pressure</translation>
    </message>
    <message>
        <source>进气歧管压力</source>
        <translation>intake manifold pressure</translation>
    </message>
    <message>
        <source>发动机转速</source>
        <translation>engine speed</translation>
    </message>
    <message>
        <source>车速</source>
        <translation>vehicle speed</translation>
    </message>
    <message>
        <source>点火提前角</source>
        <translation>timing advance</translation>
    </message>
    <message>
        <source>进气温度</source>
        <translation>intake air temperature</translation>
    </message>
    <message>
        <source>空气流量</source>
        <translation>MAF air flow rate</translation>
    </message>
    <message>
        <source>节气门位置</source>
        <translation>throttle position</translation>
    </message>
    <message>
        <source>发动机运行时间</source>
        <translation>run time since engine start</translation>
    </message>
    <message>
        <source>故障灯亮后行驶距离</source>
        <translation>distance traveled with MIL on</translation>
    </message>
    <message>
        <source>燃油液位</source>
        <translation>fuel tank level</translation>
    </message>
    <message>
        <source>清除故障码后行驶距离</source>
        <translation>distance traveled since codes cleared</translation>
    </message>
    <message>
        <source>大气压力</source>
        <translation>barometric pressure</translation>
    </message>
    <message>
        <source>控制模块电压</source>
        <translation>control module voltage</translation>
    </message>
    <message>
        <source>环境温度</source>
        <translation>ambient air temperature</translation>
    </message>
    <message>
        <source>机油温度</source>
        <translation>engine oil temperature</translation>
    </message>
    <message>
        <source>燃油消耗率</source>
        <translation>engine fuel rate</translation>
    </message>
    <message>
        <source>里程</source>
        <translation>odometer</translation>
    </message>
    <message>
        <source>支持的 PID %1-%2</source>
        <translation>PIDs supported %1-%2</translation>
    </message>
    <message>
        <source>清除故障码后的监测状态</source>
        <translation>monitor status since DTCs cleared</translation>
    </message>
    <message>
        <source>故障灯%1，%2 个故障码</source>
        <translation>MIL %1, %2 DTCs</translation>
    </message>
    <message>
        <source>亮</source>
        <translation>on</translation>
    </message>
    <message>
        <source>灭</source>
        <translation>off</translation>
    </message>
    <message>
        <source>请求种子，等级 %1</source>
        <translation>requestSeed, level %1</translation>
    </message>
    <message>
        <source>发送密钥，等级 %1</source>
        <translation>sendKey, level %1</translation>
    </message>
    <message>
        <source>子功能 %1</source>
        <translation>sub-function %1</translation>
    </message>
    <message>
        <source>例程 %1</source>
        <translation>routine %1</translation>
    </message>
    <message>
        <source>状态掩码 %1</source>
        <translation>status mask %1</translation>
    </message>
    <message>
        <source>抑制肯定响应</source>
        <translation>suppress positive response</translation>
    </message>
    <message>
        <source>全部故障码</source>
        <translation>all DTCs</translation>
    </message>
    <message>
        <source>故障码组 %1</source>
        <translation>DTC group %1</translation>
    </message>
    <message>
        <source>种子 %1</source>
        <translation>seed %1</translation>
    </message>
    <message>
        <source>密钥已接受</source>
        <translation>key accepted</translation>
    </message>
    <message numerus="yes">
        <source>%n 个故障码</source>
        <translation>
            <numerusform>%n DTC</numerusform>
            <numerusform>%n DTCs</numerusform>
        </translation>
    </message>
    <message>
        <source>PID %1: %2</source>
        <translation>PID %1: %2</translation>
    </message>
    <message>
        <source>故障码已清除</source>
        <translation>DTCs cleared</translation>
    </message>
    <message>
        <source>VIN &quot;%1&quot;</source>
        <translation>VIN &quot;%1&quot;</translation>
    </message>
    <message>
        <source>服务</source>
        <translation>service</translation>
    </message>
    <message>
        <source>否定响应码</source>
        <translation>negative response code</translation>
    </message>
    <message>
        <source>原因</source>
        <translation>reason</translation>
    </message>
    <message>
        <source>序号不连续</source>
        <translation>out of sequence</translation>
    </message>
    <message>
        <source>超时，报文不完整</source>
        <translation>timed out, message incomplete</translation>
    </message>
    <message>
        <source>被新报文打断</source>
        <translation>interrupted by a new message</translation>
    </message>
    <message>
        <source>没有首帧的连续帧</source>
        <translation>consecutive frame without a first frame</translation>
    </message>
    <message>
        <source>接收方溢出</source>
        <translation>receiver overflow</translation>
    </message>
    <message>
        <source>长度与帧不符</source>
        <translation>length disagrees with the frames</translation>
    </message>
    <message>
        <source>连接中止</source>
        <translation>connection aborted</translation>
    </message>
    <message>
        <source>否定响应</source>
        <translation>negative response</translation>
    </message>
    <message>
        <source>%1 否定响应: %2</source>
        <translation>%1 negative response: %2</translation>
    </message>
    <message>
        <source>%1 请求</source>
        <translation>%1 request</translation>
    </message>
    <message>
        <source>%1 肯定响应</source>
        <translation>%1 positive response</translation>
    </message>
    <message numerus="yes">
        <source> (流控等待 %n 次)</source>
        <translation>
            <numerusform> (flow control wait %n time)</numerusform>
            <numerusform> (flow control wait %n times)</numerusform>
        </translation>
    </message>
    <message>
        <source>请求 (Request)</source>
        <translation>Request</translation>
    </message>
    <message>
        <source>地址声明 (Address Claimed)</source>
        <translation>Address Claimed</translation>
    </message>
    <message>
        <source>电子发动机控制器 1 (EEC1)</source>
        <translation>Electronic Engine Controller 1 (EEC1)</translation>
    </message>
    <message>
        <source>当前故障码 (DM1)</source>
        <translation>Active DTCs (DM1)</translation>
    </message>
    <message>
        <source>历史故障码 (DM2)</source>
        <translation>Previously active DTCs (DM2)</translation>
    </message>
    <message>
        <source>发动机小时数 (HOURS)</source>
        <translation>Engine hours (HOURS)</translation>
    </message>
    <message>
        <source>车辆识别 (VI)</source>
        <translation>Vehicle identification (VI)</translation>
    </message>
    <message>
        <source>发动机温度 1 (ET1)</source>
        <translation>Engine temperature 1 (ET1)</translation>
    </message>
    <message>
        <source>巡航控制/车速 (CCVS)</source>
        <translation>Cruise control/vehicle speed (CCVS)</translation>
    </message>
</context>
<context>
    <name>DiagMenu</name>
    <message>
        <source>工具</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>诊断…</source>
        <translation>Diagnostics…</translation>
    </message>
</context>
<context>
    <name>DiagMessageModel</name>
    <message>
        <source>请求</source>
        <translation>request</translation>
    </message>
    <message>
        <source>响应</source>
        <translation>response</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>协议</source>
        <translation>Protocol</translation>
    </message>
    <message>
        <source>标识符</source>
        <translation>Identifier</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Addresses</translation>
    </message>
    <message>
        <source>方向 / PGN</source>
        <translation>Direction / PGN</translation>
    </message>
    <message>
        <source>长度</source>
        <translation>Length</translation>
    </message>
    <message>
        <source>数据</source>
        <translation>Data</translation>
    </message>
    <message>
        <source>含义</source>
        <translation>Meaning</translation>
    </message>
    <message>
        <source>应答 (ms)</source>
        <translation>Answer (ms)</translation>
    </message>
</context>
<context>
    <name>DiagWindow</name>
    <message>
        <source>J1939 单帧参数组</source>
        <translation>J1939 single-frame groups</translation>
    </message>
    <message>
        <source>诊断</source>
        <translation>Diagnostics</translation>
    </message>
    <message>
        <source>全部协议</source>
        <translation>All protocols</translation>
    </message>
    <message>
        <source>按标识符或地址筛选</source>
        <translation>Filter by identifier or address</translation>
    </message>
    <message>
        <source>更多 ISO-TP 标识符，如 7A0-7A8, 6F1:ext</source>
        <translation>More ISO-TP identifiers, e.g. 7A0-7A8, 6F1:ext</translation>
    </message>
    <message>
        <source>默认: 7DF, 7E0-7EF, 18DA0000-18DBFFFF。“:ext” 为扩展寻址（第一个数据字节是目标地址），“:fixed” 为 29 位固定寻址。</source>
        <translation>Always: 7DF, 7E0-7EF, 18DA0000-18DBFFFF. &quot;:ext&quot; is extended addressing (the first data byte is the target address), &quot;:fixed&quot; 29-bit normal fixed addressing.</translation>
    </message>
    <message>
        <source>也列出一帧就装下的 J1939 参数组，不只是多包传输的</source>
        <translation>Also list the J1939 parameter groups that fit in one frame, not only those sent by the transport protocol</translation>
    </message>
    <message>
        <source>选中一条报文，这里列出组成它的帧</source>
        <translation>Select a message to list the frames it was made of</translation>
    </message>
    <message>
        <source>“%1”不是标识符或范围</source>
        <translation>&quot;%1&quot; is not an identifier or range</translation>
    </message>
    <message>
        <source>（这一帧已不在捕获中）</source>
        <translation>(this frame is no longer in the capture)</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Tx</translation>
    </message>
    <message>
        <source>接收</source>
        <translation>Rx</translation>
    </message>
</context>
<context>
    <name>ErrorFrame</name>
    <message>
        <source>错误被动</source>
        <translation>error passive</translation>
    </message>
    <message>
        <source>错误警告</source>
        <translation>error warning</translation>
    </message>
    <message>
        <source>接收溢出</source>
        <translation>receive overflow</translation>
    </message>
    <message>
        <source>发送溢出</source>
        <translation>transmit overflow</translation>
    </message>
    <message>
        <source>恢复主动错误</source>
        <translation>back to error active</translation>
    </message>
    <message>
        <source>控制器错误</source>
        <translation>controller problem</translation>
    </message>
    <message>
        <source>总线关闭</source>
        <translation>bus off</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>no acknowledgement</translation>
    </message>
    <message>
        <source>仲裁失败</source>
        <translation>arbitration lost</translation>
    </message>
    <message>
        <source>协议错误</source>
        <translation>protocol violation</translation>
    </message>
    <message>
        <source>收发器错误</source>
        <translation>transceiver problem</translation>
    </message>
    <message>
        <source>发送超时</source>
        <translation>transmit timeout</translation>
    </message>
    <message>
        <source>总线错误</source>
        <translation>bus error</translation>
    </message>
    <message>
        <source>控制器已重启</source>
        <translation>controller restarted</translation>
    </message>
    <message>
        <source>错误帧</source>
        <translation>error frame</translation>
    </message>
</context>
<context>
    <name>FrameSender</name>
    <message>
        <source>数据长度不能超过8字节</source>
        <translation>The data cannot be longer than 8 bytes</translation>
    </message>
    <message>
        <source>数据长度超过8字节：请在基本配置页勾选CAN FD</source>
        <translation>More than 8 data bytes: tick CAN FD on the basic setup page</translation>
    </message>
    <message>
        <source>数据长度不能超过64字节</source>
        <translation>The data cannot be longer than 64 bytes</translation>
    </message>
    <message>
        <source>CAN FD未启用，此帧未发送</source>
        <translation>CAN FD is off: the frame was not sent</translation>
    </message>
    <message>
        <source>转换器只能发送经典CAN帧，CAN FD帧未发送</source>
        <translation>The converter sends classic frames only: the CAN FD frame was not sent</translation>
    </message>
</context>
<context>
    <name>InterfaceLink</name>
    <message>
        <source>没有CAN接口 %1：请检查适配器是否已插好，用 ip link show 查看已有的接口</source>
        <translation>No CAN interface %1: check that the adapter is plugged in; ip link show lists the interfaces there are</translation>
    </message>
    <message>
        <source>CAN接口 %1 未启动，请先启动它：%2</source>
        <translation>CAN interface %1 is down; bring it up first: %2</translation>
    </message>
    <message>
        <source>无法打开CAN接口 %1</source>
        <translation>Cannot open the CAN interface %1</translation>
    </message>
    <message>
        <source>无法打开CAN接口 %1：%2</source>
        <translation>Cannot open the CAN interface %1: %2</translation>
    </message>
    <message>
        <source>CAN接口未发送此帧：%1</source>
        <translation>The CAN interface did not send the frame: %1</translation>
    </message>
    <message>
        <source>CAN接口未打开</source>
        <translation>The CAN interface is not open</translation>
    </message>
    <message>
        <source>此接口不支持该设置</source>
        <translation>this interface has no such setting</translation>
    </message>
    <message>
        <source>正常</source>
        <translation>good</translation>
    </message>
    <message>
        <source>错误告警</source>
        <translation>error warning</translation>
    </message>
    <message>
        <source>错误被动</source>
        <translation>error passive</translation>
    </message>
    <message>
        <source>离线</source>
        <translation>bus off</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>总线状态:%1</source>
        <translation>Bus state: %1</translation>
    </message>
    <message>
        <source>CAN接口报告错误：%1</source>
        <translation>The CAN interface reports an error: %1</translation>
    </message>
    <message>
        <source>接口 %1 已不存在</source>
        <translation>interface %1 is gone</translation>
    </message>
    <message>
        <source>接口 %1 已关闭</source>
        <translation>interface %1 went down</translation>
    </message>
</context>
<context>
    <name>ListPage</name>
    <message>
        <source>保存失败: </source>
        <translation>Save failed: </translation>
    </message>
</context>
<context>
    <name>LogFiles</name>
    <message>
        <source>%1: %2 帧, %3 s</source>
        <translation>%1: %2 frames, %3 s</translation>
    </message>
    <message>
        <source>, 跳过 %1 行</source>
        <translation>, %1 lines skipped</translation>
    </message>
    <message>
        <source>捕获</source>
        <translation>Capture</translation>
    </message>
    <message>
        <source>, 最早的 %1 帧已丢弃</source>
        <translation>, oldest %1 frames dropped</translation>
    </message>
</context>
<context>
    <name>LogMenu</name>
    <message>
        <source>文本表格</source>
        <translation>Text table</translation>
    </message>
    <message>
        <source>candump 日志</source>
        <translation>candump log</translation>
    </message>
    <message>
        <source>Vector ASC</source>
        <translation>Vector ASC</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>打开日志…</source>
        <translation>Open Log…</translation>
    </message>
    <message>
        <source>回放…</source>
        <translation>Replay…</translation>
    </message>
    <message>
        <source>自动保存格式</source>
        <translation>Auto-save Format</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>打开日志</source>
        <translation>Open Log</translation>
    </message>
    <message>
        <source>CAN 日志 (*.log *.asc *.pcap *.txt);;所有文件 (*)</source>
        <translation>CAN logs (*.log *.asc *.pcap *.txt);;All files (*)</translation>
    </message>
    <message>
        <source>无法打开日志 %1: %2</source>
        <translation>Cannot open log %1: %2</translation>
    </message>
    <message>
        <source>打开日志会替换当前捕获的 %1 帧, 继续吗?</source>
        <translation>Opening a log replaces the %1 frames captured. Continue?</translation>
    </message>
    <message>
        <source>, 最早的 %1 帧超出捕获容量, 未载入</source>
        <translation>, oldest %1 frames beyond the capture&apos;s size not loaded</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>基本配置</source>
        <translation>Basic setup</translation>
    </message>
    <message>
        <source>端口配置</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>端口号:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>端口波特率:</source>
        <translation>Baud rate:</translation>
    </message>
    <message>
        <source>打开端口</source>
        <translation>Open port</translation>
    </message>
    <message>
        <source>查找端口</source>
        <translation>Find ports</translation>
    </message>
    <message>
        <source>CAN通讯配置</source>
        <translation>CAN setup</translation>
    </message>
    <message>
        <source>预分频(10进制):</source>
        <translation>Prescaler:</translation>
    </message>
    <message>
        <source>滤波ID(16进制)  0x:</source>
        <translation>Filter ID  0x:</translation>
    </message>
    <message>
        <source>CAN工作模式:</source>
        <translation>CAN mode:</translation>
    </message>
    <message>
        <source>CAN速率:</source>
        <translation>Bit rate:</translation>
    </message>
    <message>
        <source>相位缓冲器1:</source>
        <translation>Segment 1:</translation>
    </message>
    <message>
        <source>标准帧</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>扩展帧</source>
        <translation>Extended</translation>
    </message>
    <message>
        <source>自定义CAN速率:</source>
        <translation>Custom bit rate:</translation>
    </message>
    <message>
        <source>相位缓冲器2:</source>
        <translation>Segment 2:</translation>
    </message>
    <message>
        <source>正常模式</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>环回模式</source>
        <translation>Loop-back</translation>
    </message>
    <message>
        <source>静默模式</source>
        <translation>Silent</translation>
    </message>
    <message>
        <source>环回静默模式</source>
        <translation>Loop-back silent</translation>
    </message>
    <message>
        <source>屏蔽ID(16进制)  0x:</source>
        <translation>Mask ID  0x:</translation>
    </message>
    <message>
        <source>禁止报文重发</source>
        <translation>No retransmit</translation>
    </message>
    <message>
        <source>同步段:</source>
        <translation>SJW:</translation>
    </message>
    <message>
        <source>帧类型:</source>
        <translation>Frame:</translation>
    </message>
    <message>
        <source>设置并启动</source>
        <translation>Set and start</translation>
    </message>
    <message>
        <source>CAN
总线
状态</source>
        <translation>CAN
bus
status</translation>
    </message>
    <message>
        <source>内部协议选择</source>
        <translation>Framing</translation>
    </message>
    <message>
        <source>固定20字节协议</source>
        <translation>Fixed</translation>
    </message>
    <message>
        <source>可变长度协议</source>
        <translation>Variable</translation>
    </message>
    <message>
        <source>手动发送</source>
        <translation>Manual send</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>插入</source>
        <translation>Insert</translation>
    </message>
    <message>
        <source>保存手动配置</source>
        <translation>Save list</translation>
    </message>
    <message>
        <source>自动发送</source>
        <translation>Auto send</translation>
    </message>
    <message>
        <source>保存
自动发送
配置</source>
        <translation>Save
list</translation>
    </message>
    <message>
        <source>按顺序发送</source>
        <translation>Send
in order</translation>
    </message>
    <message>
        <source>停止自动发送</source>
        <translation>Stop
sending</translation>
    </message>
    <message>
        <source>循环</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>自动回复</source>
        <translation>Auto reply</translation>
    </message>
    <message>
        <source>保存自动回复配置</source>
        <translation>Save list</translation>
    </message>
    <message>
        <source>启动自动回复</source>
        <translation>Auto reply</translation>
    </message>
    <message>
        <source>其他功能</source>
        <translation>Other functions</translation>
    </message>
    <message>
        <source>更改转换器内部的端口波特率</source>
        <translation>Change the converter&apos;s port baud rate</translation>
    </message>
    <message>
        <source>更改并保存</source>
        <translation>Change and save</translation>
    </message>
    <message>
        <source>将转换器内部端口波特率更改为:</source>
        <translation>New port baud rate:</translation>
    </message>
    <message>
        <source>配置接受ID</source>
        <translation>Receive-ID filter</translation>
    </message>
    <message>
        <source>增加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>保存配置</source>
        <translation>Save list</translation>
    </message>
    <message>
        <source>不上传</source>
        <translation>Drop listed</translation>
    </message>
    <message>
        <source>仅上传</source>
        <translation>Only listed</translation>
    </message>
    <message>
        <source>正常接受</source>
        <translation>Pass all</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>选择“不上传”并点击“设置”后，转换器不再上传帧ID在接受ID列表中的CAN帧，其他CAN帧照常上传。

选择“仅上传”并点击“设置”后，转换器只上传帧ID在接受ID列表中的CAN帧，其他CAN帧不再上传。

选择“正常接受”并点击“设置”后，转换器上传收到的所有CAN帧。

注意：点击“设置”后，所选的配置保存在转换器内部，下次上电后仍然有效。</source>
        <translation>With &quot;Drop listed&quot; chosen, &quot;Set&quot; makes the converter stop forwarding CAN frames whose ID is in the list; other frames are forwarded as before.

With &quot;Only listed&quot; chosen, &quot;Set&quot; makes the converter forward only CAN frames whose ID is in the list.

With &quot;Pass all&quot; chosen, &quot;Set&quot; makes the converter forward every CAN frame it receives.

Note: after &quot;Set&quot; the converter keeps the chosen setting, also across power cycles.</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>如何使用</source>
        <translation>How to use</translation>
    </message>
    <message>
        <source>使用说明：
1. 安装转换器的驱动程序。
2. 将转换器插入电脑，上电时转换器的收发指示灯同时闪烁（出厂端口波特率为2000000 bit/s，闪烁1次）。
3. 打开本软件，选择转换器的端口波特率和端口号（端口号与操作系统设备列表中显示的一致），然后点击“打开端口”。
4. 设置与总线上其他设备一致的CAN速率和帧类型，然后点击“设置并启动”。

如何知道转换器内部端口波特率：
转换器上电时，收发指示灯同时闪烁的次数表示转换器内部的端口波特率，软件的端口波特率必须设置为相同的值：
闪烁1次：2000000
闪烁2次：1228800
闪烁3次：115200
闪烁4次：38400
闪烁5次：19200
闪烁6次：9600</source>
        <translation>How to use:
1. Install the converter&apos;s driver.
2. Plug the converter into the PC. At power-up its Rx and Tx indicators flash together (factory port baud rate 2000000 bit/s: one flash).
3. Start this program, choose the converter&apos;s port baud rate and its port (as the system&apos;s device list names it), then press &quot;Open port&quot;.
4. Set the CAN bit rate and frame type the other nodes on the bus use, then press &quot;Set and start&quot;.

How to know the converter&apos;s port baud rate:
At power-up the Rx and Tx indicators flash together; the number of flashes gives the converter&apos;s port baud rate. Set the program&apos;s port baud rate to the same value:
1 flash: 2000000
2 flashes: 1228800
3 flashes: 115200
4 flashes: 38400
5 flashes: 19200
6 flashes: 9600</translation>
    </message>
    <message>
        <source>常见问题及解决办法</source>
        <translation>Problems and fixes</translation>
    </message>
    <message>
        <source>1. 恢复出厂设置：按住转换器侧面的白色按键，同时插入USB接口，然后按照“如何使用”中的说明操作。
2. 如果仍然无法收发数据，请关闭杀毒软件等类似工具，将本软件复制到其他文件夹，并以管理员身份运行。
3. CAN总线只在两端的设备上接终端电阻，其他位置都不要接终端电阻。</source>
        <translation>1. Factory reset: hold down the white button on the side of the converter while plugging it into USB, then follow &quot;How to use&quot;.
2. If data still does not get through, turn off antivirus and similar tools, copy this program to another folder and run it as administrator.
3. Fit termination resistors only at the two ends of the CAN bus, nowhere else.</translation>
    </message>
    <message>
        <source>总行:</source>
        <translation>Rows:</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>只显示接受数据</source>
        <translation>Received only</translation>
    </message>
    <message>
        <source>统计模式</source>
        <translation>Statistics</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>自动保存</source>
        <translation>Autosave</translation>
    </message>
    <message>
        <source>保存失败: </source>
        <translation>Save failed: </translation>
    </message>
    <message>
        <source>无法创建自动保存文件</source>
        <translation>Cannot create the auto-save file </translation>
    </message>
    <message>
        <source>CAN FD 数据速率:</source>
        <translation>CAN FD, data:</translation>
    </message>
</context>
<context>
    <name>ManualSendPage</name>
    <message>
        <source>Id(16进制)</source>
        <translation>ID (hex)</translation>
    </message>
    <message>
        <source>数据(16进制)</source>
        <translation>Data (hex)</translation>
    </message>
    <message>
        <source>手动发送</source>
        <translation>Manual send</translation>
    </message>
    <message>
        <source>The COM port is closed, please open the COM port first</source>
        <translation>The COM port is closed, please open the COM port first</translation>
    </message>
    <message>
        <source>ID值不能为空</source>
        <translation>The ID cannot be empty</translation>
    </message>
</context>
<context>
    <name>MessageTableModel</name>
    <message>
        <source>报文定义的长度为 %1</source>
        <translation>The message is defined with %1 bytes</translation>
    </message>
    <message>
        <source>括号内为报文定义的周期 (ms)</source>
        <translation>In brackets: the period the database gives (ms)</translation>
    </message>
    <message>
        <source>标识符</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>报文</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>计数</source>
        <translation>Count</translation>
    </message>
    <message>
        <source>周期 (ms)</source>
        <translation>Period (ms)</translation>
    </message>
    <message>
        <source>长度</source>
        <translation>DLC</translation>
    </message>
    <message>
        <source>数据</source>
        <translation>Data</translation>
    </message>
    <message>
        <source>计数器错 %1</source>
        <translation>Counter wrong %1</translation>
    </message>
    <message>
        <source>校验和错 %1</source>
        <translation>Checksum wrong %1</translation>
    </message>
    <message>
        <source>收到的帧中计数器未加一的帧数和校验和错误的帧数</source>
        <translation>Received frames whose counter did not advance by one, and frames whose checksum is wrong</translation>
    </message>
    <message>
        <source>计数器/校验和</source>
        <translation>Counter/checksum</translation>
    </message>
    <message>
        <source>在 A 和 B 之间表现不同的位数</source>
        <translation>Bits that behave differently in A and B</translation>
    </message>
    <message>
        <source>在所选时间段内翻转过的位数</source>
        <translation>Bits that flipped in the chosen span</translation>
    </message>
    <message>
        <source>A/B 不同位</source>
        <translation>A/B bits</translation>
    </message>
    <message>
        <source>变化位</source>
        <translation>Changed bits</translation>
    </message>
</context>
<context>
    <name>PortOpenProblem</name>
    <message>
        <source>没有选择端口</source>
        <translation>no port chosen</translation>
    </message>
    <message>
        <source>没有这个设备：%1</source>
        <translation>no such device: %1</translation>
    </message>
    <message>
        <source>没有访问权限：%1</source>
        <translation>permission denied: %1</translation>
    </message>
    <message>
        <source>没有访问权限：%1 属于 %2 组，请运行“sudo usermod -aG %2 $USER”，然后注销并重新登录</source>
        <translation>permission denied: %1 belongs to group %2; run &quot;sudo usermod -aG %2 $USER&quot;, then log out and in</translation>
    </message>
    <message>
        <source>端口正被其他程序使用：%1</source>
        <translation>in use by another program: %1</translation>
    </message>
</context>
<context>
    <name>PortPanel</name>
    <message>
        <source>COM端口已断开，请检查转换器</source>
        <translation>The COM port was disconnected, please check the converter</translation>
    </message>
    <message>
        <source>端口已关闭</source>
        <translation>Port closed</translation>
    </message>
    <message>
        <source>端口正常打开</source>
        <translation>Port open</translation>
    </message>
    <message>
        <source>COM端口可能不存在或已被占用，请检查</source>
        <translation>The COM port may not exist or may be in use, please check</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>CAN接口已断开：%1</source>
        <translation>CAN interface lost: %1</translation>
    </message>
    <message>
        <source>波特率是转换器串口的设置，CAN接口没有波特率</source>
        <translation>The baud rate is the converter&apos;s serial line&apos;s; a CAN interface has none</translation>
    </message>
    <message>
        <source>CAN接口已断开</source>
        <translation>The CAN interface went away</translation>
    </message>
</context>
<context>
    <name>ProgramInfo</name>
    <message>
        <source>TALVIK 版本 %1</source>
        <translation>TALVIK version %1</translation>
    </message>
    <message>
        <source>配置文件和列表文件的保存位置：%1</source>
        <translation>Configuration and list files are kept in: %1</translation>
    </message>
    <message>
        <source>在主目录中启动且主目录中没有本程序的文件时（例如从桌面菜单启动），文件保存在程序的数据文件夹中；否则保存在启动时的当前目录中。</source>
        <translation>Started in the home folder with none of its files there (as from the desktop menu), the program keeps its files in its data folder; otherwise in the folder it was started from.</translation>
    </message>
    <message>
        <source>USB转CAN转换器的配置、收发与监视工具。</source>
        <translation>Configures a USB-to-CAN converter, sends and monitors CAN frames.</translation>
    </message>
    <message>
        <source>界面语言：zh（中文）或 en（英文）</source>
        <translation>Interface language: zh (Chinese) or en (English)</translation>
    </message>
    <message>
        <source>多余的参数：%1</source>
        <translation>Unexpected arguments: %1</translation>
    </message>
    <message>
        <source>用 --help 查看可用的选项。</source>
        <translation>See --help for the options.</translation>
    </message>
    <message>
        <source>无法使用文件夹 %1，文件保存在 %2</source>
        <translation>Cannot use the folder %1, files are kept in %2</translation>
    </message>
    <message>
        <source>启动时打开的串口或CAN接口，如 /dev/ttyUSB0 或 socketcan:can0</source>
        <translation>Serial port or CAN interface to open at start, such as /dev/ttyUSB0 or socketcan:can0</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>name</translation>
    </message>
</context>
<context>
    <name>ReceiveIdPage</name>
    <message>
        <source>接受Id(16进制)</source>
        <translation>Rx ID (hex)</translation>
    </message>
    <message>
        <source>COM端口已关闭，请先打开COM端口</source>
        <translation>The COM port is closed, please open the COM port first</translation>
    </message>
    <message>
        <source>配置接收ID</source>
        <translation>Receive-ID filter</translation>
    </message>
    <message>
        <source>项目中没有ID数据，请检查</source>
        <translation>The list holds no ID, please check</translation>
    </message>
    <message>
        <source>接收ID表的数量不能超过50.</source>
        <translation>The receive-ID list cannot hold more than 50 IDs.</translation>
    </message>
    <message>
        <source>保存失败: </source>
        <translation>Save failed: </translation>
    </message>
    <message>
        <source>接收ID列表保存在转换器中；CAN接口请用基本配置页的滤波ID和屏蔽ID</source>
        <translation>The receive-ID list is kept in the converter; on a CAN interface use the filter ID and mask of the basic configuration page</translation>
    </message>
</context>
<context>
    <name>ReplayWindow</name>
    <message>
        <source>回放</source>
        <translation>Replay</translation>
    </message>
    <message>
        <source>没有打开的日志</source>
        <translation>No log opened</translation>
    </message>
    <message>
        <source>速度:</source>
        <translation>Speed:</translation>
    </message>
    <message>
        <source>只回放接受的帧</source>
        <translation>Received frames only</translation>
    </message>
    <message>
        <source>循环</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>尽可能快</source>
        <translation>As fast as possible</translation>
    </message>
    <message>
        <source>回放已停止</source>
        <translation>Replay stopped</translation>
    </message>
    <message>
        <source>端口已关闭, 回放中止</source>
        <translation>Port closed, replay stopped</translation>
    </message>
    <message>
        <source>COM端口已关闭，请先打开COM端口</source>
        <translation>The COM port is closed, please open the COM port first</translation>
    </message>
    <message>
        <source>没有可回放的帧</source>
        <translation>No frames to replay</translation>
    </message>
    <message>
        <source>%v / %m 帧</source>
        <translation>%v / %m frames</translation>
    </message>
    <message>
        <source>回放完成</source>
        <translation>Replay finished</translation>
    </message>
    <message>
        <source>已发送 %1 帧, 用时 %2 s, 迟发 %3 帧</source>
        <translation>%1 frames sent in %2 s, %3 late</translation>
    </message>
    <message>
        <source>, 第 %1 轮</source>
        <translation>, round %1</translation>
    </message>
    <message>
        <source>, 跳过 %1 个CAN FD帧（%2）</source>
        <translation>, %1 CAN FD frames skipped (%2)</translation>
    </message>
    <message>
        <source>CAN FD未启用</source>
        <translation>CAN FD is off</translation>
    </message>
    <message>
        <source>转换器只收发经典CAN帧</source>
        <translation>the converter carries classic frames only</translation>
    </message>
</context>
<context>
    <name>SignalDialog</name>
    <message>
        <source>有符号</source>
        <translation>Signed</translation>
    </message>
    <message>
        <source>信号</source>
        <translation>Signal</translation>
    </message>
    <message>
        <source>新报文的名称:</source>
        <translation>New message name:</translation>
    </message>
    <message>
        <source>发送节点:</source>
        <translation>Sender:</translation>
    </message>
    <message>
        <source>Intel (小端)</source>
        <translation>Intel (little-endian)</translation>
    </message>
    <message>
        <source>Motorola (大端)</source>
        <translation>Motorola (big-endian)</translation>
    </message>
    <message>
        <source>例如 0=关; 1=开</source>
        <translation>for instance 0=Off; 1=On</translation>
    </message>
    <message>
        <source>名称:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>起始位:</source>
        <translation>Start bit:</translation>
    </message>
    <message>
        <source>长度 (位):</source>
        <translation>Length (bits):</translation>
    </message>
    <message>
        <source>字节顺序:</source>
        <translation>Byte order:</translation>
    </message>
    <message>
        <source>系数:</source>
        <translation>Factor:</translation>
    </message>
    <message>
        <source>偏移:</source>
        <translation>Offset:</translation>
    </message>
    <message>
        <source>单位:</source>
        <translation>Unit:</translation>
    </message>
    <message>
        <source>最小值:</source>
        <translation>Minimum:</translation>
    </message>
    <message>
        <source>最大值:</source>
        <translation>Maximum:</translation>
    </message>
    <message>
        <source>注释:</source>
        <translation>Comment:</translation>
    </message>
    <message>
        <source>值描述:</source>
        <translation>Value texts:</translation>
    </message>
    <message>
        <source>报文名称只能由字母, 数字和下划线组成, 且不以数字开头</source>
        <translation>A message name is letters, digits and underscores, not starting with a digit</translation>
    </message>
    <message>
        <source>发送节点的名称只能由字母, 数字和下划线组成</source>
        <translation>A sender name is letters, digits and underscores</translation>
    </message>
    <message>
        <source>信号名称只能由字母, 数字和下划线组成, 且不以数字开头</source>
        <translation>A signal name is letters, digits and underscores, not starting with a digit</translation>
    </message>
    <message>
        <source>系数, 偏移, 最小值和最大值必须是数字</source>
        <translation>Factor, offset, minimum and maximum must be numbers</translation>
    </message>
    <message>
        <source>系数不能为 0</source>
        <translation>The factor cannot be 0</translation>
    </message>
    <message>
        <source>值描述的写法是 值=文字, 用分号隔开, 例如 0=关; 1=开</source>
        <translation>Value texts are value=text, separated by semicolons, for instance 0=Off; 1=On</translation>
    </message>
    <message>
        <source>信号超出了 64 字节</source>
        <translation>The signal runs past 64 bytes</translation>
    </message>
    <message>
        <source>单位中不能有引号或换行</source>
        <translation>The unit cannot hold a quote or a line break</translation>
    </message>
</context>
<context>
    <name>SignalPlot</name>
    <message>
        <source>时间 (s)</source>
        <translation>Time (s)</translation>
    </message>
    <message>
        <source>%1: %2 %3
时间 %4 s</source>
        <translation>%1: %2 %3
time %4 s</translation>
    </message>
    <message>
        <source>无单位</source>
        <translation>no unit</translation>
    </message>
</context>
<context>
    <name>SignalSearchWindow</name>
    <message>
        <source>用于所选时间段</source>
        <translation>Apply to the chosen span</translation>
    </message>
    <message>
        <source>撤销一步</source>
        <translation>Undo step</translation>
    </message>
    <message>
        <source>重新开始</source>
        <translation>Start over</translation>
    </message>
    <message>
        <source>画出</source>
        <translation>Plot</translation>
    </message>
    <message>
        <source>做成信号…</source>
        <translation>Make signal…</translation>
    </message>
    <message>
        <source>按行为搜索信号</source>
        <translation>Search a signal by behaviour</translation>
    </message>
    <message>
        <source>上升了 (末值大于初值)</source>
        <translation>rose (last value above the first)</translation>
    </message>
    <message>
        <source>下降了 (末值小于初值)</source>
        <translation>fell (last value below the first)</translation>
    </message>
    <message>
        <source>一直不变</source>
        <translation>stayed</translation>
    </message>
    <message>
        <source>变化过</source>
        <translation>changed</translation>
    </message>
    <message>
        <source>在时间段末尾等于</source>
        <translation>equals at the span&apos;s end</translation>
    </message>
    <message>
        <source>一直在范围内</source>
        <translation>stayed within</translation>
    </message>
    <message>
        <source>原始值</source>
        <translation>raw value</translation>
    </message>
    <message>
        <source>上限</source>
        <translation>highest</translation>
    </message>
    <message>
        <source>标识符</source>
        <translation>Identifier</translation>
    </message>
    <message>
        <source>起始位</source>
        <translation>Start bit</translation>
    </message>
    <message>
        <source>长度</source>
        <translation>Length</translation>
    </message>
    <message>
        <source>字节顺序</source>
        <translation>Byte order</translation>
    </message>
    <message>
        <source>有符号</source>
        <translation>Signed</translation>
    </message>
    <message>
        <source>当前值</source>
        <translation>Value now</translation>
    </message>
    <message>
        <source>值:</source>
        <translation>Value:</translation>
    </message>
    <message>
        <source>时间段是信号窗口 &quot;位&quot; 页上选的时间段; 数值是原始值 (系数尚不知道).</source>
        <translation>The span is the one chosen on the signals window&apos;s &quot;Bits&quot; page; values are raw (the factor is not known yet).</translation>
    </message>
    <message>
        <source>下限</source>
        <translation>lowest</translation>
    </message>
    <message>
        <source>还没有搜索步骤: 每一步都会缩小候选范围</source>
        <translation>No search step yet: each step narrows the candidates</translation>
    </message>
    <message>
        <source>请输入整数原始值</source>
        <translation>Enter whole raw values</translation>
    </message>
    <message>
        <source>这一步无法使用: 所选时间段内没有帧, 或范围上下颠倒</source>
        <translation>This step cannot apply: no frames in the chosen span, or the range is upside down</translation>
    </message>
    <message numerus="yes">
        <source>%n 个候选, 共 %1 步</source>
        <translation>
            <numerusform>%n candidate after %1 steps</numerusform>
            <numerusform>%n candidates after %1 steps</numerusform>
        </translation>
    </message>
    <message>
        <source>; 只列出前 %1 个</source>
        <translation>; the first %1 listed</translation>
    </message>
    <message>
        <source>是</source>
        <translation>yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>no</translation>
    </message>
    <message>
        <source>跟随它的位</source>
        <translation>Bits that follow it</translation>
    </message>
    <message>
        <source>列出所有报文中随所选候选一起变化 (或正好相反) 的位</source>
        <translation>List the bits of every message that change with the selected candidate (or just the other way)</translation>
    </message>
    <message>
        <source>位</source>
        <translation>Bit</translation>
    </message>
    <message>
        <source>一致</source>
        <translation>Agreement</translation>
    </message>
    <message>
        <source>反相</source>
        <translation>Inverted</translation>
    </message>
    <message>
        <source>%1 (字节 %2 的位 %3)</source>
        <translation>%1 (byte %2, bit %3)</translation>
    </message>
    <message>
        <source>它在所选时间段内没有帧, 或者不变: 没有可比的位</source>
        <translation>It has no frames in the chosen span, or does not change there: nothing to compare with</translation>
    </message>
</context>
<context>
    <name>SignalsMenu</name>
    <message>
        <source>工具</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>信号…</source>
        <translation>Signals…</translation>
    </message>
</context>
<context>
    <name>SignalsWindow</name>
    <message>
        <source>信号</source>
        <translation>Signal</translation>
    </message>
    <message>
        <source>加载DBC…</source>
        <translation>Load DBC…</translation>
    </message>
    <message>
        <source>卸载DBC</source>
        <translation>Unload DBC</translation>
    </message>
    <message>
        <source>未加载数据库</source>
        <translation>No database loaded</translation>
    </message>
    <message>
        <source>原始值</source>
        <translation>Raw</translation>
    </message>
    <message>
        <source>物理值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>值描述</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>全部显示</source>
        <translation>Fit all</translation>
    </message>
    <message>
        <source>导出PNG…</source>
        <translation>Export PNG…</translation>
    </message>
    <message>
        <source>导出CSV…</source>
        <translation>Export CSV…</translation>
    </message>
    <message>
        <source>长度</source>
        <translation>DLC</translation>
    </message>
    <message>
        <source>无法打开 %1: %2. 仍使用之前的数据库.</source>
        <translation>Cannot open %1: %2. The previous database stays.</translation>
    </message>
    <message>
        <source>无法加载 %1: %2. 仍使用之前的数据库.</source>
        <translation>Cannot load %1: %2. The previous database stays.</translation>
    </message>
    <message>
        <source>已加载 %1 个报文</source>
        <translation>%1 messages loaded</translation>
    </message>
    <message>
        <source>, 跳过 %1 行: %2</source>
        <translation>, %1 lines skipped: %2</translation>
    </message>
    <message>
        <source>加载DBC</source>
        <translation>Load DBC</translation>
    </message>
    <message>
        <source>CAN 数据库 (*.dbc);;所有文件 (*)</source>
        <translation>CAN databases (*.dbc);;All files (*)</translation>
    </message>
    <message>
        <source>选择一个报文查看其信号</source>
        <translation>Select a message to see its signals</translation>
    </message>
    <message>
        <source>数据库中没有这个标识符</source>
        <translation>The database does not know this ID</translation>
    </message>
    <message>
        <source>%1: 帧长 %2 字节, 与定义的 %3 字节不同; 只显示帧内完整的信号</source>
        <translation>%1: the frame has %2 bytes, the message %3; only the signals wholly inside are shown</translation>
    </message>
    <message>
        <source>导出PNG</source>
        <translation>Export PNG</translation>
    </message>
    <message>
        <source>PNG 图像 (*.png)</source>
        <translation>PNG images (*.png)</translation>
    </message>
    <message>
        <source>已导出 %1</source>
        <translation>Exported %1</translation>
    </message>
    <message>
        <source>无法写入 %1</source>
        <translation>Cannot write %1</translation>
    </message>
    <message>
        <source>导出CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>错误帧: %1</source>
        <translation>Error frames: %1</translation>
    </message>
    <message>
        <source>计数器错 %1, 校验和错 %1</source>
        <translation>Counter wrong %1, checksum wrong %1</translation>
    </message>
    <message>
        <source>保存DBC</source>
        <translation>Save DBC</translation>
    </message>
    <message>
        <source>另存为…</source>
        <translation>Save as…</translation>
    </message>
    <message>
        <source>撤销更改</source>
        <translation>Undo change</translation>
    </message>
    <message>
        <source>编辑信号…</source>
        <translation>Edit signal…</translation>
    </message>
    <message>
        <source>删除信号</source>
        <translation>Remove signal</translation>
    </message>
    <message>
        <source>位</source>
        <translation>Bits</translation>
    </message>
    <message>
        <source>A/B 不同位</source>
        <translation>A/B bits</translation>
    </message>
    <message>
        <source>新数据库 (未保存)</source>
        <translation>New database (not saved)</translation>
    </message>
    <message>
        <source>候选</source>
        <translation>Candidate</translation>
    </message>
    <message>
        <source>跟随它的位…</source>
        <translation>Bits that follow it…</translation>
    </message>
    <message>
        <source>在所选时间段内, 列出所有报文中随这个信号一起变化的位</source>
        <translation>List the bits of every message that change with this signal in the chosen span</translation>
    </message>
    <message>
        <source>%1 有 %2 位: 只能跟随 32 位以内的信号</source>
        <translation>%1 has %2 bits: only signals of up to 32 bits can be followed</translation>
    </message>
    <message>
        <source>先在信号列表中选一个信号</source>
        <translation>Select a signal in the list first</translation>
    </message>
</context>
<context>
    <name>SlcanMenu</name>
    <message>
        <source>工具</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>SLCAN 桥</source>
        <translation>SLCAN bridge</translation>
    </message>
    <message>
        <source>SLCAN 桥已关闭</source>
        <translation>SLCAN bridge closed</translation>
    </message>
    <message>
        <source>请先打开端口，再启动SLCAN 桥</source>
        <translation>Open the port first, then start the SLCAN bridge</translation>
    </message>
    <message>
        <source>SLCAN 桥未能启动：%1</source>
        <translation>The SLCAN bridge did not start: %1</translation>
    </message>
    <message>
        <source>SLCAN 桥：%1（%2）</source>
        <translation>SLCAN bridge: %1 (%2)</translation>
    </message>
    <message>
        <source>SLCAN 桥未能启动：没有仅属于本用户的运行目录（XDG_RUNTIME_DIR）</source>
        <translation>SLCAN bridge not started: no runtime folder of your own (XDG_RUNTIME_DIR)</translation>
    </message>
</context>
<context>
    <name>TextTableAutoSave</name>
    <message>
        <source>无法创建自动保存文件</source>
        <translation>Cannot create the auto-save file </translation>
    </message>
    <message>
        <source>保存失败: </source>
        <translation>Save failed: </translation>
    </message>
</context>
<context>
    <name>TrafficView</name>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>传输方向</source>
        <translation>Dir</translation>
    </message>
    <message>
        <source>时间标识</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>帧格式</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>帧类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>帧ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>数据长度</source>
        <translation>DLC</translation>
    </message>
    <message>
        <source>数据(16进制)</source>
        <translation>Data (hex)</translation>
    </message>
    <message>
        <source>Display area can display the number of rows is too little</source>
        <translation>Too few rows to show every ID: raise the row count</translation>
    </message>
    <message>
        <source>总行数不能超过100000</source>
        <translation>The row count cannot exceed 100000</translation>
    </message>
    <message>
        <source>文本表格 (*.txt)</source>
        <translation>Text table (*.txt)</translation>
    </message>
    <message>
        <source>candump 日志 (*.log)</source>
        <translation>candump log (*.log)</translation>
    </message>
    <message>
        <source>Vector ASC (*.asc)</source>
        <translation>Vector ASC (*.asc)</translation>
    </message>
    <message>
        <source>PCAP (*.pcap *.pcapng)</source>
        <translation>PCAP (*.pcap *.pcapng)</translation>
    </message>
    <message>
        <source>保存文件</source>
        <translation>Save file</translation>
    </message>
    <message>
        <source>保存失败: </source>
        <translation>Save failed: </translation>
    </message>
</context>
<context>
    <name>TransmitList</name>
    <message>
        <source>不是发送列表文件</source>
        <translation>not a transmit list</translation>
    </message>
    <message>
        <source>第%1行：标识符无效，已略过</source>
        <translation>row %1: no valid identifier, left out</translation>
    </message>
    <message>
        <source>%1 (%2) 与数据库不符：按原始字节发送</source>
        <translation>%1 (%2) is not in the database as it was: sent as raw bytes</translation>
    </message>
    <message>
        <source>%1：校验和 %2 已取消</source>
        <translation>%1: checksum %2 dropped</translation>
    </message>
    <message>
        <source>%1：没有信号 %2</source>
        <translation>%1: no signal %2</translation>
    </message>
</context>
<context>
    <name>TransmitMenu</name>
    <message>
        <source>工具</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>发送报文…</source>
        <translation>Transmit…</translation>
    </message>
</context>
<context>
    <name>TransmitRow</name>
    <message>
        <source>“%1”不是数值</source>
        <translation>“%1” is not a number</translation>
    </message>
    <message>
        <source>%1 超出 %2 的范围 [%3|%4]</source>
        <translation>%1 is outside the range of %2 [%3|%4]</translation>
    </message>
    <message>
        <source>%1 的系数为 0</source>
        <translation>%1 has a factor of 0</translation>
    </message>
    <message>
        <source>%1 的 %2 位只能表示 %3 到 %4</source>
        <translation>the %2 bits of %1 hold only %3 to %4</translation>
    </message>
</context>
<context>
    <name>TransmitWindow</name>
    <message>
        <source>发送报文</source>
        <translation>Transmit</translation>
    </message>
    <message>
        <source>按名称或标识符筛选</source>
        <translation>Filter by name or ID</translation>
    </message>
    <message>
        <source>添加报文</source>
        <translation>Add message</translation>
    </message>
    <message>
        <source>添加节点发送的全部报文</source>
        <translation>Add every message the node sends</translation>
    </message>
    <message>
        <source>添加原始帧</source>
        <translation>Add raw frame</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>发送一次</source>
        <translation>Send once</translation>
    </message>
    <message>
        <source>启动</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>打开列表…</source>
        <translation>Open list…</translation>
    </message>
    <message>
        <source>列表另存为…</source>
        <translation>Save list as…</translation>
    </message>
    <message>
        <source>启用</source>
        <translation>On</translation>
    </message>
    <message>
        <source>标识符</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>报文</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>周期 (ms)</source>
        <translation>Period (ms)</translation>
    </message>
    <message>
        <source>触发</source>
        <translation>Trigger</translation>
    </message>
    <message>
        <source>数据</source>
        <translation>Data</translation>
    </message>
    <message>
        <source>已发送</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>迟发</source>
        <translation>Late</translation>
    </message>
    <message>
        <source>跳过</source>
        <translation>Skipped</translation>
    </message>
    <message>
        <source>周期发送</source>
        <translation>Cyclic</translation>
    </message>
    <message>
        <source>手动发送</source>
        <translation>On demand</translation>
    </message>
    <message>
        <source>收到报文后发送</source>
        <translation>On receiving</translation>
    </message>
    <message>
        <source>标识符 (十六进制)</source>
        <translation>ID (hex)</translation>
    </message>
    <message>
        <source> ms</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>无</source>
        <translation>none</translation>
    </message>
    <message>
        <source>窗口有焦点时按此键发送一次</source>
        <translation>This key sends the row once while the window has the focus</translation>
    </message>
    <message>
        <source>算法名，可加参数，如 crc8:poly=0x1d,init=0xff,bytes=1-7</source>
        <translation>An algorithm&apos;s name, with parameters if needed, such as crc8:poly=0x1d,init=0xff,bytes=1-7</translation>
    </message>
    <message>
        <source>延时</source>
        <translation>Delay</translation>
    </message>
    <message>
        <source>按键</source>
        <translation>Key</translation>
    </message>
    <message>
        <source>校验和</source>
        <translation>Checksum</translation>
    </message>
    <message>
        <source>计数器</source>
        <translation>Counter</translation>
    </message>
    <message>
        <source>信号</source>
        <translation>Signal</translation>
    </message>
    <message>
        <source>值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>原始值</source>
        <translation>Raw</translation>
    </message>
    <message>
        <source>字节</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>发送失败，已停止</source>
        <translation>Sending failed: stopped</translation>
    </message>
    <message>
        <source>没有符合筛选的报文</source>
        <translation>No message matches the filter</translation>
    </message>
    <message>
        <source>未加载数据库 (工具 → 信号… → 加载DBC…)</source>
        <translation>No database loaded (Tools → Signals… → Load DBC…)</translation>
    </message>
    <message>
        <source>已添加 %1 发送的 %2 个报文</source>
        <translation>Added the %2 messages %1 sends</translation>
    </message>
    <message>
        <source> FD</source>
        <translation> FD</translation>
    </message>
    <message>
        <source>(原始帧)</source>
        <translation>(raw frame)</translation>
    </message>
    <message>
        <source>周期</source>
        <translation>Cyclic</translation>
    </message>
    <message>
        <source>手动</source>
        <translation>By hand</translation>
    </message>
    <message>
        <source>收到 %1 后</source>
        <translation>After %1</translation>
    </message>
    <message>
        <source>周期须为 0 到 3600000 ms 的整数</source>
        <translation>The period must be a whole number from 0 to 3600000 ms</translation>
    </message>
    <message>
        <source>标识符须为 0 到 1FFFFFFF 的十六进制数</source>
        <translation>The ID must be a hexadecimal number from 0 to 1FFFFFFF</translation>
    </message>
    <message>
        <source>数据最多 64 字节</source>
        <translation>At most 64 data bytes</translation>
    </message>
    <message>
        <source>无计数器</source>
        <translation>No counter</translation>
    </message>
    <message>
        <source>无校验和</source>
        <translation>No checksum</translation>
    </message>
    <message>
        <source>%1 (计数器)</source>
        <translation>%1 (counter)</translation>
    </message>
    <message>
        <source>%1 (校验和)</source>
        <translation>%1 (checksum)</translation>
    </message>
    <message>
        <source>%1: %2 (文件保持原样，列表不保存到此文件)</source>
        <translation>%1: %2 (the file is left as it is; the list is not saved to it)</translation>
    </message>
    <message>
        <source>打开发送列表</source>
        <translation>Open transmit list</translation>
    </message>
    <message>
        <source>发送列表 (*.json);;所有文件 (*)</source>
        <translation>Transmit lists (*.json);;All files (*)</translation>
    </message>
    <message>
        <source>无法打开 %1: %2</source>
        <translation>Cannot open %1: %2</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>发送列表另存为</source>
        <translation>Save transmit list as</translation>
    </message>
    <message>
        <source>保存失败: </source>
        <translation>Save failed: </translation>
    </message>
    <message>
        <source>%1：总线不能发送此帧 (CAN FD 未启用或设备拒绝)，此行已停用</source>
        <translation>%1: the bus cannot carry this frame (CAN FD off, or the device refuses it): the row is switched off</translation>
    </message>
    <message>
        <source>%1 (不在数据库中，按原始字节)</source>
        <translation>%1 (not in the database: sent as raw bytes)</translation>
    </message>
    <message>
        <source>校验算法无效：%1 (可选 %2，参数写在冒号后)</source>
        <translation>Checksum algorithm not valid: %1 (one of %2, parameters after a colon)</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>talvik：不认识的界面语言“%1”，--lang 只接受 zh 或 en</source>
        <translation>talvik: unknown language &quot;%1&quot; for --lang: use zh or en</translation>
    </message>
</context>
</TS>
