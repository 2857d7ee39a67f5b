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
        <translation>Pass the level mode first to open this mode</translation>
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
        <translation>The link between the PC and the drone is faulty. Check the drone&apos;s connection (press the connect button at the bottom left), and start the game once the link is good.</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>没有写入权限</source>
        <translation>no permission to write</translation>
    </message>
    <message>
        <source>磁盘为只读</source>
        <translation>the disk is read-only</translation>
    </message>
    <message>
        <source>磁盘空间已满</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>文件正被其他程序占用</source>
        <translation>the file is in use by another program</translation>
    </message>
    <message>
        <source>文件或文件夹已不存在</source>
        <translation>the file or folder no longer exists</translation>
    </message>
    <message>
        <source>无法保存 %1：%2。
</source>
        <translation>Cannot save %1: %2.
</translation>
    </message>
    <message>
        <source>这条成绩已暂存，问题解决后会自动补写。</source>
        <translation>The result is kept aside and will be written once the problem is solved.</translation>
    </message>
    <message>
        <source>这次的更改没有保存。</source>
        <translation>This change was not saved.</translation>
    </message>
    <message>
        <source>无法保存 %1：%2。
暂存也失败了：%3。
这局的成绩没能保存到任何地方，请记下这一行：
%4</source>
        <translation>Cannot save %1: %2.
Keeping it aside failed too: %3.
This game&apos;s result was saved nowhere; please write down this line:
%4</translation>
    </message>
    <message>
        <source>等待补写的成绩文件 %1 无法读取（%2），也无法移开（%3）。
问题解决之前，新的成绩不会暂存到那里。</source>
        <translation>The file of results waiting to be written, %1, cannot be read (%2) nor moved away (%3).
Until the problem is solved, new results are not kept aside there.</translation>
    </message>
    <message>
        <source>等待补写的成绩中有 %1 条不是本机成绩单的成绩，没有写入，已移到 %2。</source>
        <translation>%1 of the waiting results do not belong to this PC&apos;s score sheets; they were not written and were moved to %2.</translation>
    </message>
    <message>
        <source>等待补写的成绩文件无法读取（%1），已移到 %2，没有覆盖。</source>
        <translation>The file of waiting results cannot be read (%1); it was moved to %2, not overwritten.</translation>
    </message>
    <message>
        <source>有 %1 条成绩在等待写入 %2：%3。问题解决后会自动补写。</source>
        <translation>%1 results are waiting to be written to %2: %3. They will be written once the problem is solved.</translation>
    </message>
    <message>
        <source>成绩单 %1 已不存在，已重新创建并补写了 %2 条成绩。</source>
        <translation>The score sheet %1 no longer existed; it was made again and %2 results were written to it.</translation>
    </message>
    <message>
        <source>数据文件夹 %1 正被另一局游戏使用（用户 %2，进程 %3）。
同一个数据文件夹同时只能运行一局游戏。</source>
        <translation>The data folder %1 is in use by another game (user %2, process %3).
Only one game at a time can run on a data folder.</translation>
    </message>
    <message>
        <source>本机没有名为“%1”的玩家。
要新建这位玩家，请加上 --new-player。</source>
        <translation>This PC has no player named “%1”.
To add this player, add --new-player.</translation>
    </message>
    <message>
        <source>无法写入这些文件夹，进度和成绩将不能保存：
%1</source>
        <translation>Cannot write to these folders; progress and results cannot be saved:
%1</translation>
    </message>
    <message>
        <source>难度：%1 — 次数：%2</source>
        <translation>Difficulty: %1 — Attempt: %2</translation>
    </message>
    <message>
        <source>难度：%1</source>
        <translation>Difficulty: %1</translation>
    </message>
    <message>
        <source>%1 · 难度 %2 · 时限 %3 秒</source>
        <translation>%1 · difficulty %2 · level within %3 s</translation>
    </message>
    <message>
        <source>游戏结束 · 总分 %1</source>
        <translation>Game over · total %1</translation>
    </message>
    <message>
        <source>%1 秒内未能稳定</source>
        <translation>not level within %1 s</translation>
    </message>
    <message>
        <source>稳定得太晚，没有得分</source>
        <translation>levelled too late to score</translation>
    </message>
    <message>
        <source>全部 %1 次都已稳定 · %2</source>
        <translation>All %1 attempts levelled · %2</translation>
    </message>
    <message>
        <source>第 %1 次：%2 · %3</source>
        <translation>Attempt %1: %2 · %3</translation>
    </message>
    <message>
        <source>恭喜你，闯关成功！</source>
        <translation>Passed. Well done!</translation>
    </message>
    <message>
        <source>闯关失败，请继续努力！</source>
        <translation>Failed. Try again!</translation>
    </message>
    <message>
        <source>姿态仪</source>
        <translation>Attitude indicator</translation>
    </message>
    <message>
        <source>横滚 %1° · 航向 %2°</source>
        <translation>Roll %1° · heading %2°</translation>
    </message>
    <message>
        <source>高度表</source>
        <translation>Height meter</translation>
    </message>
    <message>
        <source>俯仰 %1°</source>
        <translation>Pitch %1°</translation>
    </message>
    <message>
        <source>无法保存 %1：%2</source>
        <translation>Cannot save %1: %2</translation>
    </message>
    <message>
        <source>无法保存玩家名单 %1：%2</source>
        <translation>Cannot save the list of players %1: %2</translation>
    </message>
    <message>
        <source>请输入玩家的名字。</source>
        <translation>Please enter the player&apos;s name.</translation>
    </message>
    <message>
        <source>已有名为“%1”的玩家。</source>
        <translation>There is already a player named “%1”.</translation>
    </message>
    <message>
        <source>无法创建玩家的文件夹 %1。</source>
        <translation>Cannot make the player&apos;s folder %1.</translation>
    </message>
    <message>
        <source>无法把现有进度移到 %1，下次启动时会再试。</source>
        <translation>Cannot move today&apos;s progress to %1; the game tries again at its next start.</translation>
    </message>
    <message>
        <source>已从名单中移除，但无法移走文件夹 %1。</source>
        <translation>Taken off the list, but the folder %1 could not be moved away.</translation>
    </message>
    <message>
        <source>无法保存语言的选择 %1：%2</source>
        <translation>Cannot save the choice of language %1: %2</translation>
    </message>
    <message>
        <source>输  入</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>请输入你的姓名:</source>
        <translation>Your name:</translation>
    </message>
    <message>
        <source>练习模式</source>
        <translation>Practice</translation>
    </message>
    <message>
        <source>比赛模式</source>
        <translation>Competition</translation>
    </message>
    <message>
        <source>记录创建者信息录入</source>
        <translation>Enter your name</translation>
    </message>
    <message>
        <source>无 人 机 飞 行 训 练</source>
        <translation>DRONE TRAINING</translation>
    </message>
    <message>
        <source>十个关卡 · 逐级挑战</source>
        <translation>Ten levels to climb</translation>
    </message>
    <message>
        <source>难度飙升 · 考验反应</source>
        <translation>Faster and faster</translation>
    </message>
    <message>
        <source>永不停歇 · 刷新纪录</source>
        <translation>Random, never ending</translation>
    </message>
    <message>
        <source>横滚 | 俯仰 | 航向</source>
        <translation>Roll | Pitch | Yaw</translation>
    </message>
    <message>
        <source>高度</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>记录</source>
        <translation>Best</translation>
    </message>
    <message>
        <source>得分</source>
        <translation>Score</translation>
    </message>
    <message>
        <source>四旋翼</source>
        <translation>Quad</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>清除记录</source>
        <translation>Clear records</translation>
    </message>
    <message>
        <source>油门 · 航向</source>
        <translation>Throttle · Yaw</translation>
    </message>
    <message>
        <source>俯仰 · 横滚</source>
        <translation>Pitch · Roll</translation>
    </message>
    <message>
        <source>起飞坪</source>
        <translation>Pad</translation>
    </message>
    <message>
        <source>关卡</source>
        <translation>Level</translation>
    </message>
    <message>
        <source>终点</source>
        <translation>Finish</translation>
    </message>
    <message>
        <source>航线</source>
        <translation>Route</translation>
    </message>
    <message>
        <source>北</source>
        <translation>N</translation>
    </message>
    <message>
        <source>记录文件创建失败</source>
        <translation>The score sheet could not be made</translation>
    </message>
    <message>
        <source>上次 %1</source>
        <translation>last %1</translation>
    </message>
    <message>
        <source>还没有飞过</source>
        <translation>not flown yet</translation>
    </message>
    <message>
        <source>%1&#x3000;第 %2 关&#x3000;%3</source>
        <translation>%1 · level %2 · %3</translation>
    </message>
    <message>
        <source>重命名</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>新玩家的名字：</source>
        <translation>The new player&apos;s name:</translation>
    </message>
    <message>
        <source>“%1”的新名字：</source>
        <translation>New name for “%1”:</translation>
    </message>
    <message>
        <source>删除玩家“%1”？
他的闯关进度、最好成绩和 %2 局训练记录会从名单中去掉，文件夹移到 %3，不会删除。</source>
        <translation>Remove the player “%1”?
Their level progress, best scores and %2 recorded games leave the list; their folder is moved to %3, not deleted.</translation>
    </message>
    <message>
        <source>谁来飞？</source>
        <translation>Who is flying?</translation>
    </message>
    <message>
        <source>新玩家</source>
        <translation>New player</translation>
    </message>
    <message>
        <source>把现有进度归为哪位玩家？</source>
        <translation>Which player does the progress made so far belong to?</translation>
    </message>
    <message>
        <source>姓名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>姓名输入不能为空！</source>
        <translation>The name cannot be empty!</translation>
    </message>
    <message>
        <source>Aviluma—闯关模式—模拟器</source>
        <translation>Aviluma—Level mode—Simulator</translation>
    </message>
    <message>
        <source>Aviluma—狂野模式—%1—模拟器</source>
        <translation>Aviluma—Wild mode—%1—Simulator</translation>
    </message>
    <message>
        <source>Aviluma—无尽模式—%1—模拟器</source>
        <translation>Aviluma—Endless mode—%1—Simulator</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>无尽模式 · 每次难度随机</source>
        <translation>Endless mode · a random difficulty each time</translation>
    </message>
    <message>
        <source>关卡 %1 最高得分 : %2</source>
        <translation>Level %1 best total: %2</translation>
    </message>
    <message>
        <source>本局 %1 分，进入前三名</source>
        <translation>%1 points this game: a place in the top three</translation>
    </message>
    <message>
        <source>本局 %1 分，记入比赛成绩表</source>
        <translation>%1 points this game: onto the score sheet</translation>
    </message>
    <message>
        <source>游戏尚未结束，是否关闭并退出？
选择&quot;是&quot;关闭并退出</source>
        <translation>The game is not over, and a game left now does not count.
Close it and leave?</translation>
    </message>
    <message>
        <source>将清空所有记录信息？
选择&quot;是&quot;清空记录</source>
        <translation>Clear the best results shown here?
They cannot be brought back.</translation>
    </message>
    <message>
        <source>游戏进行中</source>
        <translation>Game in progress</translation>
    </message>
    <message>
        <source>恭喜你打破了本关记录！</source>
        <translation>Congratulations, a new record for this level!</translation>
    </message>
    <message>
        <source>成绩写入失败，请关闭打开的成绩单后点确认！</source>
        <translation>The result could not be written. Close the open score sheet, then click OK.</translation>
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
        <translation>Closed early</translation>
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
        <source>最佳 %1</source>
        <translation>Best %1</translation>
    </message>
    <message>
        <source>未过关</source>
        <translation>Failed</translation>
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
        <translation>This game&apos;s record cannot be read.</translation>
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
Finish a game and each game&apos;s total is plotted here by date.</translation>
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
        <source>名次</source>
        <translation>Rank</translation>
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
        <source>已导出 %1 局：%2</source>
        <translation>Exported %1 games: %2</translation>
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
        <source>正在连接……</source>
        <translation>Connecting...</translation>
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
        <source>自动驾驶（演示）</source>
        <translation>Autopilot (demo)</translation>
    </message>
    <message>
        <source>目标：把横滚和俯仰拉回 ±5° 框内，保持 1 秒。
W/↑ 机头向下，S/↓ 机头向上，
A/← 向左滚，D/→ 向右滚；按住 Shift 满舵。
也可用鼠标拖动摇杆。</source>
        <translation>Goal: hold the drone in the ±5° box for 1 second.
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
    <message>
        <source>没有无人机？用模拟无人机练习</source>
        <translation>No drone? Practise with the simulated drone</translation>
    </message>
    <message>
        <source>找不到模拟无人机程序 %1。</source>
        <translation>The simulated drone&apos;s program %1 cannot be found.</translation>
    </message>
    <message>
        <source>无法启动模拟无人机 %1：%2</source>
        <translation>Cannot start the simulated drone %1: %2</translation>
    </message>
    <message>
        <source>，%1 局无法上传</source>
        <translation>, %1 cannot be sent</translation>
    </message>
    <message>
        <source>无法上传的成绩保存在 %1，请交给教练处理。</source>
        <translation>The games that cannot be sent are kept in %1: hand them to the coach.</translation>
    </message>
    <message>
        <source>最近一局的原因：</source>
        <translation>Why the last one was not sent: </translation>
    </message>
    <message>
        <source>比赛</source>
        <translation>Competition</translation>
    </message>
    <message>
        <source>练习</source>
        <translation>Practice</translation>
    </message>
    <message>
        <source>狂野模式比赛前十</source>
        <translation>Wild mode top ten: competition</translation>
    </message>
    <message>
        <source>狂野模式练习前十</source>
        <translation>Wild mode top ten: practice</translation>
    </message>
    <message>
        <source>无尽模式比赛前十</source>
        <translation>Endless mode top ten: competition</translation>
    </message>
    <message>
        <source>无尽模式练习前十</source>
        <translation>Endless mode top ten: practice</translation>
    </message>
    <message>
        <source>服务器拒绝了：%1</source>
        <translation>The server refused: %1</translation>
    </message>
    <message>
        <source>数据库结构和角色要由服务器的管理员建立，例如在服务器上运行：
  sudo -u postgres aviluma-class init &quot;dbname=&lt;数据库&gt;&quot; --coach &lt;教练用户&gt;</source>
        <translation>The schema and the roles are made by the server&apos;s administrator, for example on the server:
  sudo -u postgres aviluma-class init &quot;dbname=&lt;database&gt;&quot; --coach &lt;coach&apos;s login&gt;</translation>
    </message>
    <message>
        <source>这个登录用户还没有班级，不能上传成绩：请教练运行 aviluma-class login 为它指定班级。</source>
        <translation>This login has no class yet and cannot send games: the coach gives it one with aviluma-class login.</translation>
    </message>
    <message>
        <source>这个登录用户只能上传班级“%1”的成绩，本机的班级是“%2”：请检查班级名称。</source>
        <translation>This login sends the games of class &quot;%1&quot; only, and this PC&apos;s class is &quot;%2&quot;: check the class name.</translation>
    </message>
    <message>
        <source>%1 只能上传和查看班级 %2 的成绩。</source>
        <translation>%1 can only send and read the games of class %2.</translation>
    </message>
    <message>
        <source>%1 可以上传和查看所有班级的成绩。</source>
        <translation>%1 can send and read the games of every class.</translation>
    </message>
    <message>
        <source>在服务器上设置它的密码：sudo -u postgres psql -c &apos;\password %1&apos;</source>
        <translation>Set its password on the server: sudo -u postgres psql -c &apos;\password %1&apos;</translation>
    </message>
    <message>
        <source>%1 可以查看和更正所有班级的成绩。</source>
        <translation>%1 can read and correct the games of every class.</translation>
    </message>
    <message>
        <source>这些电脑登录用户还没有班级，看不到也传不了成绩：%1。用 aviluma-class login … --class &lt;班级&gt;（或 --every-class）为它们指定。</source>
        <translation>These PC logins have no class yet, so they see and send nothing: %1. Give them one with aviluma-class login ... --class &lt;class&gt; (or --every-class).</translation>
    </message>
    <message>
        <source>%1 不是只属于本用户的文件夹（%2），里面的成绩不会上传。</source>
        <translation>%1 is not a folder of this user&apos;s alone (%2): the games in it are not sent.</translation>
    </message>
    <message>
        <source>这个文件不是本用户的游戏写下的</source>
        <translation>this file was not written by this user&apos;s game</translation>
    </message>
    <message>
        <source>本机没有玩家“%1”，这局不是本机的成绩</source>
        <translation>this PC has no player &quot;%1&quot;: the game is not this PC&apos;s</translation>
    </message>
    <message>
        <source>服务器的连接数已满：成绩留在本机，稍后自动重试。</source>
        <translation>The server has no connection to spare: the games stay on this PC and are sent later by themselves.</translation>
    </message>
    <message>
        <source>连接设置“%1”里不能有分号（;）。</source>
        <translation>The connection setting “%1” cannot hold a semicolon (;).</translation>
    </message>
    <message>
        <source>正在导出……</source>
        <translation>Exporting...</translation>
    </message>
    <message>
        <source>这是其他用户也能放置的链接，游戏不会经它读写别处的文件</source>
        <translation>it is a link another account could have put there, and the game reads and writes nothing through it</translation>
    </message>
    <message>
        <source>这不是普通文件（可能是管道或设备）</source>
        <translation>it is not a plain file (a pipe or a device, perhaps)</translation>
    </message>
    <message>
        <source>文件大得不像游戏写的</source>
        <translation>the file is far larger than any the game writes</translation>
    </message>
    <message>
        <source>文件和文件夹放错了位置</source>
        <translation>a file stands where a folder should, or a folder where a file should</translation>
    </message>
    <message>
        <source>无法保存 %1：%2。
这局不会上传到班级服务器，但仍记在本机的训练记录里（若那里还能保存）。</source>
        <translation>Cannot save %1: %2.
This game will not be sent to the class server; it is still in this PC&apos;s training record (if that could be saved).</translation>
    </message>
    <message>
        <source>这些设置文件没有读取，游戏当它们不存在：
%1
它们可能是其他用户放的。请检查后把它们移走。</source>
        <translation>These settings files were not read; the game goes on as if they were not there:
%1
Another account may have put them there. Check them, then move them away.</translation>
    </message>
    <message>
        <source>没有选择玩家：这次由“%1”飞行。</source>
        <translation>No player chosen: “%1” flies this time.</translation>
    </message>
    <message>
        <source>没有选择玩家：这次的进度记在本机，不属于任何玩家。</source>
        <translation>No player chosen: this time the progress is kept for the PC, not for a player.</translation>
    </message>
    <message>
        <source>要换人，请在右键菜单里选“%1”。</source>
        <translation>To change, choose “%1” in the right-click menu.</translation>
    </message>
    <message>
        <source>玩家“%1”的文件夹 %2 是指向数据文件夹以外的链接，或者不是文件夹，可能是其他用户放的。游戏不会使用它，请把它移走后再试。</source>
        <translation>The folder %2 of player “%1” is a link leading out of the data folder, or no folder; another account may have put it there. The game does not use it: move it away and try again.</translation>
    </message>
    <message>
        <source>没有读取权限</source>
        <translation>no permission to read</translation>
    </message>
    <message>
        <source>数据文件夹 %1 正被另一局游戏使用。
同一个数据文件夹同时只能运行一局游戏。</source>
        <translation>The data folder %1 is in use by another game.
Only one game at a time can run on a data folder.</translation>
    </message>
    <message>
        <source>通过第 9 关后开启</source>
        <translation>Opens after level 9</translation>
    </message>
    <message>
        <source>新的比赛会清空狂野模式和无尽模式的比赛前三名。
开始新的比赛吗？</source>
        <translation>A new competition empties the competition top three of the wild and endless modes.
Start a new competition?</translation>
    </message>
    <message>
        <source>%1&#x3000;%2</source>
        <translation>%1 · %2</translation>
    </message>
    <message>
        <source>第 %1 次：%2</source>
        <translation>Attempt %1: %2</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1：没有符合筛选的对局（隐藏了 %2 局）。</source>
        <translation>%1: no games match the filter (%2 hidden).</translation>
    </message>
    <message>
        <source>Top1    %1    %2</source>
        <translation>1st    %1    %2</translation>
    </message>
    <message>
        <source>Top2    %1    %2</source>
        <translation>2nd    %1    %2</translation>
    </message>
    <message>
        <source>Top3    %1    %2</source>
        <translation>3rd    %1    %2</translation>
    </message>
    <message>
        <source>第 %1 次成功，%2 秒稳定，总分 %3</source>
        <translation>Attempt %1 passed, level after %2 seconds, total %3</translation>
    </message>
    <message>
        <source>%1 总分 %2</source>
        <translation>%1 Total %2.</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>用手柄或遥控器操纵</source>
        <translation>Gamepad or RC transmitter</translation>
    </message>
    <message>
        <source>%1（%2，不计成绩）</source>
        <translation>%1 — %2, not counted</translation>
    </message>
    <message>
        <source>不计成绩</source>
        <translation>Not counted</translation>
    </message>
    <message>
        <source>显示不计成绩的对局：%1、%2、%3</source>
        <translation>Show the games that do not count: %1, %2, %3</translation>
    </message>
    <message>
        <source>时间（秒）</source>
        <translation>Time (s)</translation>
    </message>
    <message>
        <source>不计成绩：</source>
        <translation>Not counted:</translation>
    </message>
    <message>
        <source>成绩概览</source>
        <translation>Overview</translation>
    </message>
    <message>
        <source>Tab 选择按钮      表格中 ↑ ↓ ← → 逐格阅读      Esc 关闭</source>
        <translation>Tab Choose a button      ↑ ↓ ← → Read the table cell by cell      Esc Close</translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>快了 %1 秒</source>
        <translation>%1 s quicker</translation>
    </message>
    <message>
        <source>慢了 %1 秒</source>
        <translation>%1 s slower</translation>
    </message>
    <message>
        <source>持平</source>
        <translation>No change</translation>
    </message>
    <message>
        <source>对局</source>
        <translation>Games</translation>
    </message>
    <message>
        <source>通过率</source>
        <translation>Pass rate</translation>
    </message>
    <message>
        <source>用时中位数</source>
        <translation>Median time</translation>
    </message>
    <message>
        <source>变化</source>
        <translation>Change</translation>
    </message>
    <message>
        <source>时段：%1</source>
        <translation>Period: %1</translation>
    </message>
    <message>
        <source>%1%（%2/%3）</source>
        <translation>%1% (%2 of %3)</translation>
    </message>
    <message>
        <source>前半 %1 → 后半 %2</source>
        <translation>Earlier half %1 → later half %2</translation>
    </message>
    <message>
        <source>这段时间还没有闯关模式的对局。</source>
        <translation>No level games in this period yet.</translation>
    </message>
    <message>
        <source>谁更快了</source>
        <translation>Who got quicker</translation>
    </message>
    <message>
        <source>还有 %1 项</source>
        <translation>...and %1 more</translation>
    </message>
    <message>
        <source>这段时间没有人更快。</source>
        <translation>No one got quicker in this period.</translation>
    </message>
    <message>
        <source>一关打过两局才能比较。</source>
        <translation>Play a level twice to compare.</translation>
    </message>
    <message>
        <source>已导出：%1（%2 个文件）</source>
        <translation>Exported: %1 (%2 files)</translation>
    </message>
    <message>
        <source>新手试飞(&amp;L)...	F4</source>
        <translation>First-flight &amp;lesson...	F4</translation>
    </message>
    <message>
        <source>第一次飞吗？先来一次不计分的新手试飞：
把圆点移进方框并保持 1 秒，然后直接进入第 1 关。
选择&quot;是&quot;开始试飞</source>
        <translation>First time flying? Try an unscored first-flight lesson:
bring the dot into the box and hold it there for 1 s,
then go straight on to level 1. Start the lesson?</translation>
    </message>
    <message>
        <source>圆点与方框</source>
        <translation>Dot and box</translation>
    </message>
    <message>
        <source>没有姿态数据</source>
        <translation>No attitude from the drone</translation>
    </message>
    <message>
        <source>在方框内：横滚 %1°，俯仰 %2°</source>
        <translation>In the box: roll %1°, pitch %2°</translation>
    </message>
    <message>
        <source>在方框外：横滚 %1°，俯仰 %2°</source>
        <translation>Outside the box: roll %1°, pitch %2°</translation>
    </message>
    <message>
        <source>圆点是无人机倾斜的方向：
向右横滚就往右，抬头就往上。
用摇杆把圆点移进绿色方框（±%1°），
在框里停住 1 秒。</source>
        <translation>The dot shows which way the drone leans:
right as it rolls right, up as its nose rises.
Steer the dot into the green box (±%1°)
and hold it there for 1 second.</translation>
    </message>
    <message>
        <source>还剩 %1 秒</source>
        <translation>%1 s left</translation>
    </message>
    <message>
        <source>时间到，再来一次</source>
        <translation>Time&apos;s up. Once more!</translation>
    </message>
    <message>
        <source>退出试飞</source>
        <translation>Leave the lesson</translation>
    </message>
    <message>
        <source>试飞不计分，也不留下任何记录；成功一次就直接进入第 1 关。
Esc 随时退出</source>
        <translation>The lesson is not scored and leaves no record; level once and you go straight on to level 1.
Esc leaves at any time.</translation>
    </message>
    <message>
        <source>第 %1 次</source>
        <translation>Try %1</translation>
    </message>
    <message>
        <source>试飞已停止。
请检查无人机和连接，
然后从右键菜单再开始试飞。</source>
        <translation>The lesson has stopped.
Check the drone and its connection,
then start the lesson again from the right-click menu.</translation>
    </message>
    <message>
        <source>接下来：第 1 关</source>
        <translation>Next: level 1</translation>
    </message>
    <message>
        <source>Aviluma—新手试飞</source>
        <translation>Aviluma—First-flight lesson</translation>
    </message>
    <message>
        <source>把圆点移进方框</source>
        <translation>Bring the dot into the box</translation>
    </message>
    <message>
        <source>保持… 1 秒</source>
        <translation>Hold... 1 s</translation>
    </message>
    <message>
        <source>做得好！这就是水平飞行。</source>
        <translation>Well done! That is level flight.</translation>
    </message>
    <message>
        <source>无人机没有信号了</source>
        <translation>The drone has gone quiet</translation>
    </message>
    <message>
        <source>无人机马上会倾斜</source>
        <translation>The drone is about to tilt</translation>
    </message>
    <message>
        <source>准备……</source>
        <translation>Get ready...</translation>
    </message>
    <message>
        <source>&lt;服务器地址&gt;</source>
        <translation>&lt;server address&gt;</translation>
    </message>
    <message>
        <source>班级 %1 的电脑登录用户：%2（已有）</source>
        <translation>PC login of class %1: %2 (already there)</translation>
    </message>
    <message>
        <source>班级 %1 的电脑登录用户：%2（新建）</source>
        <translation>PC login of class %1: %2 (new)</translation>
    </message>
    <message>
        <source>  密码不变（换新密码：%1 --new-password）</source>
        <translation>  password unchanged (for a new one: %1 --new-password)</translation>
    </message>
    <message>
        <source>  密码：%1</source>
        <translation>  password: %1</translation>
    </message>
    <message>
        <source>  （只显示这一次：请记下，在每台电脑游戏主窗口右键菜单的“班级”里填入。）</source>
        <translation>  (shown this once: note it down and enter it on each PC under &quot;Class&quot; in the main window&apos;s right-click menu.)</translation>
    </message>
    <message>
        <source>  每台电脑第一次启动游戏时输入（座位换成这台电脑的）：</source>
        <translation>  on each PC, the first time the game starts (with that PC&apos;s seat):</translation>
    </message>
    <message>
        <source>&lt;座位&gt;</source>
        <translation>&lt;seat&gt;</translation>
    </message>
    <message>
        <source>要让服务器按新的设置在网络上监听，请重启 PostgreSQL：sudo systemctl restart postgresql</source>
        <translation>Restart PostgreSQL for the server to listen on the network as set: sudo systemctl restart postgresql</translation>
    </message>
    <message>
        <source>aviluma-class setup 没有改动这台服务器的网络设置（%1 里没有它的一段）。</source>
        <translation>aviluma-class setup has not changed this server&apos;s network settings (%1 has no block of it).</translation>
    </message>
    <message>
        <source>已从 %1 删去 aviluma-class setup 的一段，电脑不能再从网络连接：</source>
        <translation>Removed aviluma-class setup&apos;s block from %1; the PCs can no longer connect over the network:</translation>
    </message>
    <message>
        <source>aviluma-class setup 在 %1 里加的一段：</source>
        <translation>The block aviluma-class setup added to %1:</translation>
    </message>
    <message>
        <source>postgresql.auto.conf 里的 listen_addresses = &apos;*&apos; 已撤销（ALTER SYSTEM RESET）。</source>
        <translation>listen_addresses = &apos;*&apos; is taken out of postgresql.auto.conf (ALTER SYSTEM RESET).</translation>
    </message>
    <message>
        <source>以及 postgresql.auto.conf 里的 listen_addresses = &apos;*&apos;（ALTER SYSTEM）。</source>
        <translation>And listen_addresses = &apos;*&apos; in postgresql.auto.conf (ALTER SYSTEM).</translation>
    </message>
    <message>
        <source>数据库、登录用户和成绩都保留。</source>
        <translation>The database, the logins and the games stay.</translation>
    </message>
    <message>
        <source>撤销：sudo -u postgres aviluma-class setup --undo（数据库和成绩保留）</source>
        <translation>To undo: sudo -u postgres aviluma-class setup --undo (the database and the games stay)</translation>
    </message>
    <message>
        <source>“%1”不是子网：请写成地址/位数，例如 192.168.10.0/24。</source>
        <translation>&quot;%1&quot; is not a subnet: write it as address/bits, for example 192.168.10.0/24.</translation>
    </message>
    <message>
        <source>已新建数据库 %1（数据库结构版本 %2）。</source>
        <translation>Created the database %1 (schema version %2).</translation>
    </message>
    <message>
        <source>数据库 %1 已有，已更新到数据库结构版本 %2。</source>
        <translation>The database %1 was already there; it is at schema version %2.</translation>
    </message>
    <message>
        <source>教练登录用户 %1 已有，密码不变。</source>
        <translation>The coach&apos;s login %1 was already there; its password is unchanged.</translation>
    </message>
    <message>
        <source>教练登录用户 %1 的密码：%2（只显示这一次）</source>
        <translation>The coach&apos;s login %1, password: %2 (shown this once)</translation>
    </message>
    <message>
        <source>教练在自己的电脑上打开班级成绩榜（密码写进 ~/.pgpass 或 PGPASSWORD）：</source>
        <translation>The class board on the coach&apos;s PC (with the password in ~/.pgpass or PGPASSWORD):</translation>
    </message>
    <message>
        <source>&lt;班级&gt;</source>
        <translation>&lt;class&gt;</translation>
    </message>
    <message>
        <source>机房子网 %1 的电脑可以经 TLS 用密码连接（%2 里 aviluma-class setup 的一段）。</source>
        <translation>The PCs of the room&apos;s subnet %1 may connect over TLS with a password (aviluma-class setup&apos;s block in %2).</translation>
    </message>
    <message>
        <source>这台服务器在子网 %1 里没有地址：请把上面的 &lt;服务器地址&gt; 换成机房电脑连得到的这台服务器的地址。</source>
        <translation>This server has no address in the subnet %1: replace &lt;server address&gt; above with the address at which the room&apos;s PCs reach this server.</translation>
    </message>
    <message>
        <source>以后再加班级：%1</source>
        <translation>To add a class later: %1</translation>
    </message>
    <message>
        <source>查看或撤销对服务器设置的改动：sudo -u postgres aviluma-class setup --show（或 --undo）</source>
        <translation>To see or undo the changes to the server&apos;s settings: sudo -u postgres aviluma-class setup --show (or --undo)</translation>
    </message>
    <message>
        <source>机房的电脑还连不上：先运行 sudo -u postgres aviluma-class setup --subnet &lt;子网&gt;。</source>
        <translation>The room&apos;s PCs cannot connect yet: first run sudo -u postgres aviluma-class setup --subnet &lt;subnet&gt;.</translation>
    </message>
    <message>
        <source>请把上面的 &lt;服务器地址&gt; 换成机房电脑连得到的这台服务器的地址。</source>
        <translation>Replace &lt;server address&gt; above with the address at which the room&apos;s PCs reach this server.</translation>
    </message>
    <message>
        <source>无法为 %1 生成密码校验值。</source>
        <translation>Could not make the password verifier for %1.</translation>
    </message>
    <message>
        <source>无法读取服务器的 %1（%2）：请在服务器本机上以它的管理员身份运行，例如 sudo -u postgres aviluma-class setup …</source>
        <translation>Cannot read the server&apos;s %1 (%2): run this on the server itself as its administrator, for example sudo -u postgres aviluma-class setup …</translation>
    </message>
    <message>
        <source>%1 里 aviluma-class 的一段没有结尾行（%2）：请手工修好再运行。</source>
        <translation>aviluma-class&apos;s block in %1 has no closing line (%2): fix it by hand and run again.</translation>
    </message>
    <message>
        <source>第 %1 行：%2</source>
        <translation>line %1: %2</translation>
    </message>
    <message>
        <source>服务器读 %1 时出错（%2），而且无法放回原来的文件：%3。请手工修好它。</source>
        <translation>The server reports errors in %1 (%2), and the old file could not be put back: %3. Please fix it by hand.</translation>
    </message>
    <message>
        <source>服务器读改过的 %1 时出错（%2）：已放回原来的文件，什么也没改。</source>
        <translation>The server reports errors in the changed %1 (%2): the old file is put back and nothing is changed.</translation>
    </message>
    <message>
        <source>这要由服务器的管理员运行，例如：sudo -u postgres aviluma-class …</source>
        <translation>This must be run by the server&apos;s administrator, for example: sudo -u postgres aviluma-class …</translation>
    </message>
    <message>
        <source>请写明班级。</source>
        <translation>Please name the class.</translation>
    </message>
    <message>
        <source>这个数据库还没有为 Aviluma 设置：先运行 sudo -u postgres aviluma-class setup。</source>
        <translation>This database is not set up for Aviluma yet: first run sudo -u postgres aviluma-class setup.</translation>
    </message>
    <message>
        <source>%1 是服务器的管理员，不能做电脑登录用户。</source>
        <translation>%1 is the server&apos;s administrator and cannot be a PC login.</translation>
    </message>
    <message>
        <source>登录用户 %1 属于所有班级：请换一个 --login。</source>
        <translation>The login %1 is for every class: choose another --login.</translation>
    </message>
    <message>
        <source>登录用户 %1 属于班级 %2：请换一个 --login。</source>
        <translation>The login %1 belongs to class %2: choose another --login.</translation>
    </message>
    <message>
        <source>班级服务器已就绪（数据库结构版本 %1）。
为每个班级建一个只能看到本班成绩的电脑登录用户，它会显示密码和每台电脑要输入的内容：
  sudo -u postgres aviluma-class add-class &lt;班级&gt; --database &lt;数据库&gt;</source>
        <translation>The class server is ready (schema version %1).
Give each class a PC login that sees the games of its class only; this shows its password and what each PC types:
  sudo -u postgres aviluma-class add-class &lt;class&gt; --database &lt;database&gt;</translation>
    </message>
    <message>
        <source>postgresql.auto.conf 里的 ssl = on 已撤销（ALTER SYSTEM RESET）。</source>
        <translation>ssl = on in postgresql.auto.conf is undone (ALTER SYSTEM RESET).</translation>
    </message>
    <message>
        <source>以及 postgresql.auto.conf 里的 ssl = on（ALTER SYSTEM）。</source>
        <translation>And ssl = on in postgresql.auto.conf (ALTER SYSTEM).</translation>
    </message>
    <message>
        <source>服务器原先没有开启 TLS：已用它设置里的证书开启（ssl = on）。</source>
        <translation>The server had TLS off: it is now on, with the certificate its settings name (ssl = on).</translation>
    </message>
    <message>
        <source>服务器没能开启 TLS（ssl = on）：它的日志写明了原因。什么也没改。</source>
        <translation>The server could not turn TLS on (ssl = on): its log says why. Nothing is changed.</translation>
    </message>
    <message>
        <source>服务器没有开启 TLS（ssl = off），它设置里的证书和密钥（%1）又不在或读不了，电脑的密码会以明文经过网络：没有放行子网 %2。在 Debian 上，sudo make-ssl-cert generate-default-snakeoil --force-overwrite 生成这两个文件；然后再运行 setup，它会开启 TLS。</source>
        <translation>The server has TLS off (ssl = off), and the certificate and key its settings name (%1) are missing or unreadable, so the PCs&apos; passwords would cross the network in clear text: the subnet %2 is not let in. On Debian, sudo make-ssl-cert generate-default-snakeoil --force-overwrite makes both files; then run setup again, and it turns TLS on.</translation>
    </message>
</context>
</TS>
