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
        <translation>Cannot open the drone&apos;s serial port %1: permission denied!
Add the current user to the dialout group, log out and back in, then connect again.</translation>
    </message>
    <message>
        <source>无人机串口 %1 正被其他程序占用！
请关闭占用该串口的程序，串口空出后会自动连接。
若没有程序占用（例如游戏曾被强行结束），请拔下无人机再插上。</source>
        <translation>The drone&apos;s serial port %1 is in use by another program!
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
    <message>
        <source>狂野</source>
        <translation>Wild</translation>
    </message>
    <message>
        <source>无尽</source>
        <translation>Endless</translation>
    </message>
    <message>
        <source>玩家</source>
        <translation>Player</translation>
    </message>
    <message>
        <source>总分</source>
        <translation>Total</translation>
    </message>
    <message>
        <source>座位</source>
        <translation>Seat</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Aviluma—班级成绩榜：%1</source>
        <translation>Aviluma—Class board: %1</translation>
    </message>
    <message>
        <source>Aviluma—班级成绩榜</source>
        <translation>Aviluma—Class board</translation>
    </message>
    <message>
        <source>今天</source>
        <translation>Today</translation>
    </message>
    <message>
        <source>本周</source>
        <translation>This week</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>导出榜单</source>
        <translation>Export board</translation>
    </message>
    <message>
        <source>导出全部对局</source>
        <translation>Export all games</translation>
    </message>
    <message>
        <source>无法导出：%1</source>
        <translation>Cannot export: %1</translation>
    </message>
    <message>
        <source>闯关：每位玩家的最好成绩</source>
        <translation>Levels: each player&apos;s best</translation>
    </message>
    <message>
        <source>关卡</source>
        <translation>Level</translation>
    </message>
    <message>
        <source>狂野模式前十</source>
        <translation>Wild mode top ten</translation>
    </message>
    <message>
        <source>名次</source>
        <translation>Rank</translation>
    </message>
    <message>
        <source>无尽模式前十</source>
        <translation>Endless mode top ten</translation>
    </message>
    <message>
        <source>最近的成绩</source>
        <translation>Latest games</translation>
    </message>
    <message>
        <source>模式</source>
        <translation>Game</translation>
    </message>
    <message>
        <source>无法刷新：%1</source>
        <translation>Cannot refresh: %1</translation>
    </message>
    <message>
        <source>最近 10 分钟没有座位上传成绩</source>
        <translation>No seat has sent a game in the last 10 minutes</translation>
    </message>
    <message>
        <source>在线座位：%1</source>
        <translation>Seats online: %1</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>已导出：%1</source>
        <translation>Exported: %1</translation>
    </message>
    <message>
        <source>无法导出到 %1：%2</source>
        <translation>Cannot export to %1: %2</translation>
    </message>
    <message>
        <source>连接地址无法识别：%1</source>
        <translation>Connection address not understood: %1</translation>
    </message>
    <message>
        <source>连接地址里不能写密码：请用 ~/.pgpass 或 PGPASSWORD。</source>
        <translation>No password in the connection address: use ~/.pgpass or PGPASSWORD.</translation>
    </message>
    <message>
        <source>连接字符串无法识别：缺少“=”。</source>
        <translation>Connection string not understood: an “=” is missing.</translation>
    </message>
    <message>
        <source>连接字符串无法识别。</source>
        <translation>Connection string not understood.</translation>
    </message>
    <message>
        <source>连接字符串里不能写密码：请用 ~/.pgpass 或 PGPASSWORD。</source>
        <translation>No password in the connection string: use ~/.pgpass or PGPASSWORD.</translation>
    </message>
    <message>
        <source>无法写入 %1：%2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
    <message>
        <source>用户名或密码不对（密码放在 ~/.pgpass 或 PGPASSWORD 里）。</source>
        <translation>Wrong user name or password (the password goes in ~/.pgpass or PGPASSWORD).</translation>
    </message>
    <message>
        <source>服务器上没有这个数据库。</source>
        <translation>The server has no such database.</translation>
    </message>
    <message>
        <source>服务器上没有这个用户。</source>
        <translation>The server has no such user.</translation>
    </message>
    <message>
        <source>连不上服务器：请检查地址、端口和网络。</source>
        <translation>Cannot reach the server: check the address, the port and the network.</translation>
    </message>
    <message>
        <source>这个用户只能上传自己班级的成绩：请检查班级名称。</source>
        <translation>This user can only send its own class&apos;s games: check the class name.</translation>
    </message>
    <message>
        <source>这个用户没有权限：上传成绩需要 aviluma_pc 角色，删除成绩需要 aviluma_coach 角色。</source>
        <translation>This user is not allowed: sending games needs the aviluma_pc role, removing them the aviluma_coach role.</translation>
    </message>
    <message>
        <source>服务器断开了连接。</source>
        <translation>The server closed the connection.</translation>
    </message>
    <message>
        <source>服务器没有及时回应。</source>
        <translation>The server did not answer in time.</translation>
    </message>
    <message>
        <source>没有安装 Qt 的 PostgreSQL 驱动（libqt6sql6-psql）。</source>
        <translation>Qt&apos;s PostgreSQL driver is not installed (libqt6sql6-psql).</translation>
    </message>
    <message>
        <source>服务器 %1 秒没有回应。</source>
        <translation>The server has not answered for %1 seconds.</translation>
    </message>
    <message>
        <source>数据库的版本（%1）比本程序（%2）新：请更新 Aviluma。</source>
        <translation>The database (version %1) is newer than this program (%2): please update Aviluma.</translation>
    </message>
    <message>
        <source>请写明删除的原因。</source>
        <translation>Please give the reason for the removal.</translation>
    </message>
    <message>
        <source>没有这局成绩：%1</source>
        <translation>No such game: %1</translation>
    </message>
    <message>
        <source>请写明登录用户和班级。</source>
        <translation>Please give the login and the class.</translation>
    </message>
    <message>
        <source>这个数据库还没有为 Aviluma 设置：请教练运行 aviluma-class init。</source>
        <translation>This database is not set up for Aviluma yet: ask the coach to run aviluma-class init.</translation>
    </message>
    <message>
        <source>服务器的版本（%1）比本程序新：请更新 Aviluma。</source>
        <translation>The server (version %1) is newer than this program: please update Aviluma.</translation>
    </message>
    <message>
        <source>服务器的版本（%1）太旧：请教练运行 aviluma-class init。</source>
        <translation>The server (version %1) is too old: ask the coach to run aviluma-class init.</translation>
    </message>
    <message>
        <source>连接正常，可以上传成绩。</source>
        <translation>The connection works: games can be sent.</translation>
    </message>
    <message>
        <source>已删除，原成绩和原因保存在 removed_games 中。</source>
        <translation>Removed; the game and the reason are kept in removed_games.</translation>
    </message>
    <message>
        <source>%1 只能上传和查看班级 %2 的成绩。设置它的密码：psql -c &apos;\password %1&apos;</source>
        <translation>%1 can only send and read the games of class %2. Set its password: psql -c &apos;\password %1&apos;</translation>
    </message>
    <message>
        <source>已导出 %1 局：%2</source>
        <translation>Exported %1 games: %2</translation>
    </message>
    <message>
        <source>班级服务器已就绪（数据库结构版本 %1）。
为每台电脑建一个登录用户并授予 aviluma_pc 角色，例如：
  CREATE ROLE room1 LOGIN PASSWORD &apos;…&apos; IN ROLE aviluma_pc;
或者为每个班级建一个只能看到本班成绩的登录用户：
  aviluma-class login &quot;&lt;管理员连接&gt;&quot; --login room1 --class &lt;班级&gt;
教练用户授予 aviluma_coach 角色。每台电脑第一次启动游戏时加上：
  aviluma --class-server &quot;host=&lt;服务器地址&gt; dbname=&lt;数据库&gt; user=room1 sslmode=require&quot; --class &lt;班级&gt; --seat &lt;座位&gt;
  密码写在该电脑用户的 ~/.pgpass（权限 0600）里。</source>
        <translation>The class server is ready (schema version %1).
Give every PC a login with the aviluma_pc role, for example:
  CREATE ROLE room1 LOGIN PASSWORD &apos;…&apos; IN ROLE aviluma_pc;
or give each class a login that sees only that class&apos;s games:
  aviluma-class login &quot;&lt;administrator&apos;s connection&gt;&quot; --login room1 --class &lt;class&gt;
Give coaches the aviluma_coach role. Start the game the first time on every PC with:
  aviluma --class-server &quot;host=&lt;server address&gt; dbname=&lt;database&gt; user=room1 sslmode=require&quot; --class &lt;class&gt; --seat &lt;seat&gt;
  The password goes in ~/.pgpass (mode 0600) of that PC&apos;s user.</translation>
    </message>
    <message>
        <source>无法保存 %1：%2</source>
        <translation>Cannot save %1: %2</translation>
    </message>
    <message>
        <source>班级</source>
        <translation>Class</translation>
    </message>
    <message>
        <source>留空：沿用 ~/.pgpass 或 PGPASSWORD</source>
        <translation>Leave empty to use ~/.pgpass or PGPASSWORD</translation>
    </message>
    <message>
        <source>服务器连接(&amp;S)：</source>
        <translation>&amp;Server connection:</translation>
    </message>
    <message>
        <source>班级(&amp;C)：</source>
        <translation>&amp;Class:</translation>
    </message>
    <message>
        <source>座位(&amp;E)：</source>
        <translation>S&amp;eat:</translation>
    </message>
    <message>
        <source>密码(&amp;P)：</source>
        <translation>&amp;Password:</translation>
    </message>
    <message>
        <source>测试连接(&amp;T)</source>
        <translation>&amp;Test connection</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>正在连接……</source>
        <translation>Connecting…</translation>
    </message>
    <message>
        <source>请填写服务器连接和班级。</source>
        <translation>Please fill in the server connection and the class.</translation>
    </message>
    <message>
        <source>停止（难度 %1，第 %2 次）</source>
        <translation>Stop (difficulty %1, attempt %2)</translation>
    </message>
    <message>
        <source>开局</source>
        <translation>Game start</translation>
    </message>
    <message>
        <source>开始：难度 %1，第 %2 次</source>
        <translation>Start: difficulty %1, attempt %2</translation>
    </message>
    <message>
        <source>Aviluma 模拟无人机</source>
        <translation>Aviluma simulated drone</translation>
    </message>
    <message>
        <source>端口：%1</source>
        <translation>Port: %1</translation>
    </message>
    <message>
        <source>键盘和屏幕摇杆</source>
        <translation>Keyboard and on-screen stick</translation>
    </message>
    <message>
        <source>手柄或遥控器</source>
        <translation>Gamepad or transmitter</translation>
    </message>
    <message>
        <source>自动驾驶（演示）</source>
        <translation>Autopilot (demo)</translation>
    </message>
    <message>
        <source>目标：把横滚和俯仰拉回 ±5° 框内，保持 1 秒。
W/↑ 机头向下，S/↓ 机头向上，
A/← 向左滚，D/→ 向右滚；按住 Shift 满舵。
也可用鼠标拖动摇杆。</source>
        <translation>Goal: hold the drone in the ±5° box
for 1 second.
W/↑ nose down, S/↓ nose up,
A/← roll left, D/→ roll right;
hold Shift for full stick.
Or drag the stick with the mouse.</translation>
    </message>
    <message>
        <source>手柄设置</source>
        <translation>Gamepad settings</translation>
    </message>
    <message>
        <source>反向</source>
        <translation>Invert</translation>
    </message>
    <message>
        <source>横滚轴</source>
        <translation>Roll axis</translation>
    </message>
    <message>
        <source>俯仰轴</source>
        <translation>Pitch axis</translation>
    </message>
    <message>
        <source>死区</source>
        <translation>Dead band</translation>
    </message>
    <message>
        <source>横滚反向</source>
        <translation>Invert roll</translation>
    </message>
    <message>
        <source>俯仰反向</source>
        <translation>Invert pitch</translation>
    </message>
    <message>
        <source>操纵输入</source>
        <translation>Control input</translation>
    </message>
    <message>
        <source>横滚 %1°   俯仰 %2°   航向 %3°</source>
        <translation>Roll %1°   Pitch %2°   Yaw %3°</translation>
    </message>
    <message>
        <source>收到心跳 %1 次，命令 %2 条</source>
        <translation>Received %1 heartbeats, %2 commands</translation>
    </message>
    <message>
        <source>最近命令：%1</source>
        <translation>Last command: %1</translation>
    </message>
    <message>
        <source>无</source>
        <translation>none</translation>
    </message>
    <message>
        <source>已连接：%1（%2 个轴）</source>
        <translation>Connected: %1 (%2 axes)</translation>
    </message>
    <message>
        <source>未发现手柄</source>
        <translation>No gamepad found</translation>
    </message>
</context>
</TS>
