<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Aviluma</name>
    <message>
        <source>退出游戏</source>
        <translation>Exit the game</translation>
    </message>
    <message>
        <source>闯关模式</source>
        <translation>Level mode</translation>
    </message>
    <message>
        <source>连接无人机</source>
        <translation>Connect the drone</translation>
    </message>
    <message>
        <source>无人机连接状态</source>
        <translation>Drone link state</translation>
    </message>
    <message>
        <source>未连接</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>无法打开无人机串口 %1：没有访问权限！
请将当前用户加入 dialout 组，注销并重新登录后再连接。</source>
        <translation>Cannot open the drone's serial port %1: permission denied!
Add the current user to the dialout group, log out and back in, then connect again.</translation>
    </message>
    <message>
        <source>无人机串口 %1 正被其他程序占用！
请关闭占用该串口的程序，串口空出后会自动连接。
若没有程序占用（例如游戏曾被强行结束），请拔下无人机再插上。</source>
        <translation>The drone's serial port %1 is in use by another program!
Close the program using it; the game connects by itself once the port is free.
If no program is using it (for example, the game was killed), unplug the drone and plug it in again.</translation>
    </message>
    <message>
        <source>已连接无人机：%1</source>
        <translation>Drone connected: %1</translation>
    </message>
    <message>
        <source>已连接无人机：%1（序列号 %2）</source>
        <translation>Drone connected: %1 (serial number %2)</translation>
    </message>
    <message>
        <source>连接良好</source>
        <translation>Good link</translation>
    </message>
    <message>
        <source>信号弱</source>
        <translation>Weak signal</translation>
    </message>
    <message>
        <source>狂野模式</source>
        <translation>Wild mode</translation>
    </message>
    <message>
        <source>无尽模式</source>
        <translation>Endless mode</translation>
    </message>
    <message>
        <source>%1（未开启）</source>
        <translation>%1 (locked)</translation>
    </message>
    <message>
        <source>班级：%1 局等待上传</source>
        <translation>Class: %1 games waiting to upload</translation>
    </message>
    <message>
        <source>班级：已连接</source>
        <translation>Class: connected</translation>
    </message>
    <message>
        <source>班级：未连接</source>
        <translation>Class: not connected</translation>
    </message>
    <message>
        <source>上次的问题：</source>
        <translation>Last problem: </translation>
    </message>
    <message>
        <source>闯关模式通过后才能进入该模式</source>
        <translation>Pass level mode first to enter this mode</translation>
    </message>
    <message>
        <source>是否退出游戏？</source>
        <translation>Exit the game?</translation>
    </message>
    <message>
        <source>关于 Aviluma(&amp;A)...</source>
        <translation>&amp;About Aviluma...</translation>
    </message>
    <message>
        <source>请先连接无人机！</source>
        <translation>Please connect the drone first!</translation>
    </message>
    <message>
        <source>Aviluma—游戏选择</source>
        <translation>Aviluma—Choose a game</translation>
    </message>
    <message>
        <source>无人机连接操作按钮</source>
        <translation>Drone connect button</translation>
    </message>
    <message>
        <source>切换玩家(&amp;P)...	F3</source>
        <translation>Switch &amp;player...	F3</translation>
    </message>
    <message>
        <source>请先点击左下角连接无人机</source>
        <translation>Click bottom left to connect the drone</translation>
    </message>
    <message>
        <source>通过第 10 关后开启</source>
        <translation>Opens after level 10</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Aviluma，%1版</source>
        <translation>Aviluma, version %1</translation>
    </message>
    <message>
        <source>关于 Aviluma</source>
        <translation>About Aviluma</translation>
    </message>
    <message>
        <source>班级(&amp;C)...</source>
        <translation>&amp;Class...</translation>
    </message>
    <message>
        <source>训练记录</source>
        <translation>Training record</translation>
    </message>
    <message>
        <source>关闭地图</source>
        <translation>Close the map</translation>
    </message>
    <message>
        <source>第 %1 关已开启！</source>
        <translation>Level %1 is open!</translation>
    </message>
    <message>
        <source>通过第 %1 关后开启第 %2 关</source>
        <translation>Pass level %1 to open level %2</translation>
    </message>
    <message>
        <source>第 %1 关</source>
        <translation>Level %1</translation>
    </message>
    <message>
        <source>第 %1 关（未开启）</source>
        <translation>Level %1 (locked)</translation>
    </message>
    <message>
        <source>最高 %1</source>
        <translation>Best %1</translation>
    </message>
    <message>
        <source>Aviluma—关卡选择</source>
        <translation>Aviluma—Choose a level</translation>
    </message>
    <message>
        <source>PC-无人机连接异常，请检查连接并确认连接正常后开始游戏</source>
        <translation>The link between PC and drone is faulty. Check the connection and start the game once the link is good</translation>
    </message>
</context>
</TS>
