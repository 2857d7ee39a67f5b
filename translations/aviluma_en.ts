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
    <message>
        <source>闯关成功</source>
        <translation>Passed</translation>
    </message>
    <message>
        <source>闯关失败</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>完成</source>
        <translation>Finished</translation>
    </message>
    <message>
        <source>中途关闭</source>
        <translation>Closed</translation>
    </message>
    <message>
        <source>连接中断</source>
        <translation>Link lost</translation>
    </message>
    <message>
        <source>飞行回放</source>
        <translation>Flight replay</translation>
    </message>
    <message>
        <source>◀ 上一次</source>
        <translation>◀ Attempt</translation>
    </message>
    <message>
        <source>下一次 ▶</source>
        <translation>Attempt ▶</translation>
    </message>
    <message>
        <source>◀ 上一局</source>
        <translation>◀ Game</translation>
    </message>
    <message>
        <source>下一局 ▶</source>
        <translation>Game ▶</translation>
    </message>
    <message>
        <source>导出本局</source>
        <translation>Export game</translation>
    </message>
    <message>
        <source>导出全部</source>
        <translation>Export all</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>横滚</source>
        <translation>Roll</translation>
    </message>
    <message>
        <source>俯仰</source>
        <translation>Pitch</translation>
    </message>
    <message>
        <source>%1 · 每局总分</source>
        <translation>%1 · Game totals</translation>
    </message>
    <message>
        <source>得分</source>
        <translation>Score</translation>
    </message>
    <message>
        <source>最佳 %1</source>
        <translation>Best %1</translation>
    </message>
    <message>
        <source>未过关</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>未打完</source>
        <translation>Cut short</translation>
    </message>
    <message>
        <source>进入 ±%1° %2 秒</source>
        <translation>Within ±%1° at %2 s</translation>
    </message>
    <message>
        <source>保持 %1 秒 %2 秒</source>
        <translation>Held %1 s at %2 s</translation>
    </message>
    <message>
        <source>第 %1 次 · 难度 %2</source>
        <translation>Attempt %1 · Difficulty %2</translation>
    </message>
    <message>
        <source>得分 %1</source>
        <translation>Score %1</translation>
    </message>
    <message>
        <source>稳定用时 %1 秒</source>
        <translation>Level in %1 s</translation>
    </message>
    <message>
        <source>超时</source>
        <translation>Out of time</translation>
    </message>
    <message>
        <source>中断</source>
        <translation>Cut off</translation>
    </message>
    <message>
        <source>关卡 %1</source>
        <translation>Level %1</translation>
    </message>
    <message>
        <source>时间（%1）</source>
        <translation>Time (%1)</translation>
    </message>
    <message>
        <source>日期</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>← → 上一次 / 下一次      ↑ ↓ 上一局 / 下一局      Tab 选择按钮      Esc 关闭</source>
        <translation>← → Previous / next attempt      ↑ ↓ Previous / next game      Tab Choose a button      Esc Close</translation>
    </message>
    <message>
        <source>← → 切换关卡与模式      Tab 选择按钮      Esc 关闭</source>
        <translation>← → Switch level or mode      Tab Choose a button      Esc Close</translation>
    </message>
    <message>
        <source>← → 选择对局      空格 打开回放      Tab 选择按钮      Esc 关闭</source>
        <translation>← → Choose a game      Space Open its replay      Tab Choose a button      Esc Close</translation>
    </message>
    <message>
        <source>Tab 选择按钮      Esc 关闭</source>
        <translation>Tab Choose a button      Esc Close</translation>
    </message>
    <message>
        <source>练习与比赛</source>
        <translation>All games</translation>
    </message>
    <message>
        <source>只看练习</source>
        <translation>Practice only</translation>
    </message>
    <message>
        <source>只看比赛</source>
        <translation>Competition only</translation>
    </message>
    <message>
        <source>闯关模式 · 关卡 %1</source>
        <translation>Level %1</translation>
    </message>
    <message>
        <source>狂野模式 · 比赛</source>
        <translation>Wild · Competition</translation>
    </message>
    <message>
        <source>狂野模式 · 练习</source>
        <translation>Wild · Practice</translation>
    </message>
    <message>
        <source>无尽模式 · 比赛</source>
        <translation>Endless · Competition</translation>
    </message>
    <message>
        <source>无尽模式 · 练习</source>
        <translation>Endless · Practice</translation>
    </message>
    <message>
        <source>成功</source>
        <comment>how a game ended, in the list of the last games</comment>
        <translation>Passed</translation>
    </message>
    <message>
        <source>失败</source>
        <comment>how a game ended, in the list of the last games</comment>
        <translation>Failed</translation>
    </message>
    <message>
        <source>完成</source>
        <comment>how a game ended, in the list of the last games</comment>
        <translation>Done</translation>
    </message>
    <message>
        <source>关闭</source>
        <comment>how a game ended, in the list of the last games</comment>
        <translation>Closed</translation>
    </message>
    <message>
        <source>中断</source>
        <comment>how a game ended, in the list of the last games</comment>
        <translation>Cut off</translation>
    </message>
    <message>
        <source>关卡%1</source>
        <translation>Level %1</translation>
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
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>玩家</source>
        <translation>Player</translation>
    </message>
    <message>
        <source>叠加同难度</source>
        <translation>Overlay</translation>
    </message>
    <message>
        <source>叠加同难度的其他几次</source>
        <translation>Overlay the other attempts of this difficulty</translation>
    </message>
    <message>
        <source>关卡与模式</source>
        <translation>Level or mode</translation>
    </message>
    <message>
        <source>练习或比赛</source>
        <translation>Practice or competition</translation>
    </message>
    <message>
        <source>失败与中断</source>
        <translation>Failed and cut off</translation>
    </message>
    <message>
        <source>显示失败与中断的对局</source>
        <translation>Show failed and cut-off games</translation>
    </message>
    <message>
        <source>◀ 上一项</source>
        <translation>◀ Previous</translation>
    </message>
    <message>
        <source>下一项 ▶</source>
        <translation>Next ▶</translation>
    </message>
    <message>
        <source>上一次尝试</source>
        <translation>Previous attempt</translation>
    </message>
    <message>
        <source>上一项</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>下一次尝试</source>
        <translation>Next attempt</translation>
    </message>
    <message>
        <source>下一项</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>横滚与俯仰</source>
        <translation>Roll and pitch</translation>
    </message>
    <message>
        <source>每局总分</source>
        <translation>Total per game</translation>
    </message>
    <message>
        <source>这一局的记录无法读取。</source>
        <translation>This game's record cannot be read.</translation>
    </message>
    <message>
        <source>%1 · 总分 %2</source>
        <translation>%1 · Total %2</translation>
    </message>
    <message>
        <source>第 %1 局 / 共 %2 局</source>
        <translation>Game %1 of %2</translation>
    </message>
    <message>
        <source>这一局没有开始任何一次尝试。</source>
        <translation>No attempt was started in this game.</translation>
    </message>
    <message>
        <source>第 %1 次 / 共 %2 次</source>
        <translation>Attempt %1 of %2</translation>
    </message>
    <message>
        <source>难度 %1 · 时限 %2 秒</source>
        <translation>Difficulty %1 · %2 s limit</translation>
    </message>
    <message>
        <source>姓名：%1</source>
        <translation>Name: %1</translation>
    </message>
    <message>
        <source>%1：还没有打完的对局。</source>
        <translation>%1: no finished games yet.</translation>
    </message>
    <message>
        <source>最近的对局</source>
        <translation>Recent games</translation>
    </message>
    <message>
        <source>回放 %1</source>
        <translation>Replay %1</translation>
    </message>
    <message>
        <source>没有符合的对局。</source>
        <translation>No matching games.</translation>
    </message>
    <message>
        <source>还没有对局。</source>
        <translation>No games yet.</translation>
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
        <source>还没有飞行记录。
玩一局之后，每一次尝试都会在这里回放。</source>
        <translation>No flights yet.
Play a game and each of its attempts replays here.</translation>
    </message>
    <message>
        <source>还没有训练记录。
打完一局之后，每一局的总分都会按日期画在这里。</source>
        <translation>No training record yet.
Finish a game and each game's total is plotted here by date.</translation>
    </message>
</context>
</TS>
