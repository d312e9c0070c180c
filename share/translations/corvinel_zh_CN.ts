<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="zh_CN">
<context>
    <name>WindowPanels</name>
    <message>
        <source>鼠标双击列表可以将列表导出到EXCEL</source>
        <translation>鼠标双击列表可以将列表导出到EXCEL</translation>
    </message>
    <message>
        <source>第%1位</source>
        <translation>第%1位</translation>
    </message>
    <message>
        <source>在下面输入 2007001    期历史号码:</source>
        <translation>在下面输入 2007001    期历史号码:</translation>
    </message>
    <message>
        <source>在此补充输入最新历史号码</source>
        <translation>在此补充输入最新历史号码</translation>
    </message>
    <message>
        <source>读取历史号文本(&amp;W)</source>
        <translation>读取历史号文本(&amp;W)</translation>
    </message>
    <message>
        <source>从历史号码文本文件中读取历史号中最后一期之后的新的历史号码</source>
        <translation>从历史号码文本文件中读取历史号中最后一期之后的新的历史号码</translation>
    </message>
    <message>
        <source>历史号在线更新(&amp;O)</source>
        <translation>历史号在线更新(&amp;O)</translation>
    </message>
    <message>
        <source>从官方服务器更新历史号码</source>
        <translation>从官方服务器更新历史号码</translation>
    </message>
    <message>
        <source>删除最后历史(&amp;D)</source>
        <translation>删除最后历史(&amp;D)</translation>
    </message>
    <message>
        <source>历史号码导出文本文件(&amp;X)</source>
        <translation>历史号码导出文本文件(&amp;X)</translation>
    </message>
    <message>
        <source>自动历史位</source>
        <translation>自动历史位</translation>
    </message>
    <message>
        <source>手动输入号</source>
        <translation>手动输入号</translation>
    </message>
    <message>
        <source>验证指定期</source>
        <translation>验证指定期</translation>
    </message>
    <message>
        <source>仅检索该期前</source>
        <translation>仅检索该期前</translation>
    </message>
    <message>
        <source>检索位选择</source>
        <translation>检索位选择</translation>
    </message>
    <message>
        <source>自由位</source>
        <translation>自由位</translation>
    </message>
    <message>
        <source>固定位</source>
        <translation>固定位</translation>
    </message>
    <message>
        <source>检索期选择</source>
        <translation>检索期选择</translation>
    </message>
    <message>
        <source>上期</source>
        <translation>上期</translation>
    </message>
    <message>
        <source>前    期</source>
        <translation>前    期</translation>
    </message>
    <message>
        <source>号码组选择</source>
        <translation>号码组选择</translation>
    </message>
    <message>
        <source>组选</source>
        <translation>组选</translation>
    </message>
    <message>
        <source>直选</source>
        <translation>直选</translation>
    </message>
    <message>
        <source>检索起止期数</source>
        <translation>检索起止期数</translation>
    </message>
    <message>
        <source>起</source>
        <translation>起</translation>
    </message>
    <message>
        <source>止</source>
        <translation>止</translation>
    </message>
    <message>
        <source>搜索类型选择</source>
        <translation>搜索类型选择</translation>
    </message>
    <message>
        <source>结果类型选择</source>
        <translation>结果类型选择</translation>
    </message>
    <message>
        <source>结果统计选择</source>
        <translation>结果统计选择</translation>
    </message>
    <message>
        <source>组合组位检索</source>
        <translation>组合组位检索</translation>
    </message>
    <message>
        <source>组合位数</source>
        <translation>组合位数</translation>
    </message>
    <message>
        <source>红球</source>
        <translation>红球</translation>
    </message>
    <message>
        <source>红蓝</source>
        <translation>红蓝</translation>
    </message>
    <message>
        <source>组合检索(&amp;G)</source>
        <translation>组合检索(&amp;G)</translation>
    </message>
    <message>
        <source>检索(&amp;S)</source>
        <translation>检索(&amp;S)</translation>
    </message>
    <message>
        <source>软件设置(&amp;T)</source>
        <translation>软件设置(&amp;T)</translation>
    </message>
    <message>
        <source>走势图</source>
        <translation>走势图</translation>
    </message>
    <message>
        <source>统计检验</source>
        <translation>统计检验</translation>
    </message>
    <message>
        <source>历史管理</source>
        <translation>历史管理</translation>
    </message>
    <message>
        <source>导出历史号码(&amp;O)</source>
        <translation>导出历史号码(&amp;O)</translation>
    </message>
    <message>
        <source>删除最后历史(&amp;E)</source>
        <translation>删除最后历史(&amp;E)</translation>
    </message>
    <message>
        <source>清空历史号码(&amp;C)</source>
        <translation>清空历史号码(&amp;C)</translation>
    </message>
    <message>
        <source>删除到选定期(&amp;D)</source>
        <translation>删除到选定期(&amp;D)</translation>
    </message>
    <message>
        <source>删除最后指定数量期历史(&amp;N)</source>
        <translation>删除最后指定数量期历史(&amp;N)</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>生肖参数设置(&amp;S)</source>
        <translation>生肖参数设置(&amp;S)</translation>
    </message>
    <message>
        <source>生肖参数0~11</source>
        <translation>生肖参数0~11</translation>
    </message>
    <message>
        <source>生肖参数1~12</source>
        <translation>生肖参数1~12</translation>
    </message>
    <message>
        <source>段数参数设置(&amp;A)</source>
        <translation>段数参数设置(&amp;A)</translation>
    </message>
    <message>
        <source>段数参数0~4</source>
        <translation>段数参数0~4</translation>
    </message>
    <message>
        <source>段数参数1~5</source>
        <translation>段数参数1~5</translation>
    </message>
    <message>
        <source>生肖取值设置(&amp;Z)</source>
        <translation>生肖取值设置(&amp;Z)</translation>
    </message>
    <message>
        <source>生肖数字按顺序取值</source>
        <translation>生肖数字按顺序取值</translation>
    </message>
    <message>
        <source>生肖数字按年龄取值</source>
        <translation>生肖数字按年龄取值</translation>
    </message>
    <message>
        <source>历史号码更新检索天(&amp;Y)</source>
        <translation>历史号码更新检索天(&amp;Y)</translation>
    </message>
    <message>
        <source>在线更新网址(&amp;U)</source>
        <translation>在线更新网址(&amp;U)</translation>
    </message>
    <message>
        <source>软件介绍服务主页(&amp;P)</source>
        <translation>软件介绍服务主页(&amp;P)</translation>
    </message>
    <message>
        <source>软件介绍说明页面(&amp;R)</source>
        <translation>软件介绍说明页面(&amp;R)</translation>
    </message>
    <message>
        <source>软件演示说明录像下载(&amp;D)</source>
        <translation>软件演示说明录像下载(&amp;D)</translation>
    </message>
    <message>
        <source>彩种选择</source>
        <translation>彩种选择</translation>
    </message>
    <message>
        <source>广东快乐十分</source>
        <translation>广东快乐十分</translation>
    </message>
    <message>
        <source>天津快乐十分</source>
        <translation>天津快乐十分</translation>
    </message>
    <message>
        <source>湖南快乐十分</source>
        <translation>湖南快乐十分</translation>
    </message>
</context>
<context>
    <name>corvinel::BacktestController</name>
    <message>
        <source>批量验证 起</source>
        <translation>批量验证 起</translation>
    </message>
    <message>
        <source>止</source>
        <translation>止</translation>
    </message>
    <message>
        <source>前K</source>
        <translation>前K</translation>
    </message>
    <message>
        <source>组合检索</source>
        <translation>组合检索</translation>
    </message>
    <message>
        <source>验证组合检索（组合位数按“组合位数”），否则验证检索</source>
        <translation>验证组合检索（组合位数按“组合位数”），否则验证检索</translation>
    </message>
    <message>
        <source>批量验证</source>
        <translation>批量验证</translation>
    </message>
    <message>
        <source>对范围内每一期按本页“仅检索该期前”的方式检索，统计前K结果的命中并与随机比较</source>
        <translation>对范围内每一期按本页“仅检索该期前”的方式检索，统计前K结果的命中并与随机比较</translation>
    </message>
    <message>
        <source>批量验证……</source>
        <translation>批量验证……</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>已取消：完成 %1/%2 步</source>
        <translation>已取消：完成 %1/%2 步</translation>
    </message>
</context>
<context>
    <name>corvinel::BacktestWindow</name>
    <message>
        <source>（此前无可检索的期）</source>
        <translation>（此前无可检索的期）</translation>
    </message>
    <message>
        <source>（没有前N期）</source>
        <translation>（没有前N期）</translation>
    </message>
    <message>
        <source>（无匹配）</source>
        <translation>（无匹配）</translation>
    </message>
    <message>
        <source>批量验证（前%1结果）</source>
        <translation>批量验证（前%1结果）</translation>
    </message>
    <message>
        <source>随机期望：每期随机选出同样多个值时的命中次数。每期开奖相互独立，过去的命中率不能说明下一期。</source>
        <translation>随机期望：每期随机选出同样多个值时的命中次数。每期开奖相互独立，过去的命中率不能说明下一期。</translation>
    </message>
    <message>
        <source>期号</source>
        <translation>期号</translation>
    </message>
    <message>
        <source>前K结果</source>
        <translation>前K结果</translation>
    </message>
    <message>
        <source>实际</source>
        <translation>实际</translation>
    </message>
    <message>
        <source>命中</source>
        <translation>命中</translation>
    </message>
    <message>
        <source>随机概率</source>
        <translation>随机概率</translation>
    </message>
    <message>
        <source>双击导出到 Huice.xlsx</source>
        <translation>双击导出到 Huice.xlsx</translation>
    </message>
    <message>
        <source>%1 期中没有可评分的期（无匹配或此前无可检索的期）。</source>
        <translation>%1 期中没有可评分的期（无匹配或此前无可检索的期）。</translation>
    </message>
    <message>
        <source>命中 %1 次 / %2 次，随机期望 %3 次</source>
        <translation>命中 %1 次 / %2 次，随机期望 %3 次</translation>
    </message>
    <message>
        <source>：随机概率为0或1，无法检验</source>
        <translation>：随机概率为0或1，无法检验</translation>
    </message>
    <message>
        <source>，%1p=%2</source>
        <translation>，%1p=%2</translation>
    </message>
    <message>
        <source>精确 </source>
        <translation>精确 </translation>
    </message>
    <message>
        <source>：命中显著多于随机（单侧检验，p&lt;0.05），但随机数据中每 20 次验证约有 1 次如此</source>
        <translation>：命中显著多于随机（单侧检验，p&lt;0.05），但随机数据中每 20 次验证约有 1 次如此</translation>
    </message>
    <message>
        <source>：未发现命中多于随机（评分 %1 次）</source>
        <translation>：未发现命中多于随机（评分 %1 次）</translation>
    </message>
    <message>
        <source>累计命中率与随机</source>
        <translation>累计命中率与随机</translation>
    </message>
    <message>
        <source>累计命中率</source>
        <translation>累计命中率</translation>
    </message>
    <message>
        <source>随机</source>
        <translation>随机</translation>
    </message>
    <message>
        <source>随机95%范围</source>
        <translation>随机95%范围</translation>
    </message>
    <message>
        <source>已评分期数</source>
        <translation>已评分期数</translation>
    </message>
    <message>
        <source>命中率</source>
        <translation>命中率</translation>
    </message>
    <message>
        <source>无法写入 %1：%2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>已导出到 %1</source>
        <translation>已导出到 %1</translation>
    </message>
    <message>
        <source>匹配期数</source>
        <translation>匹配期数</translation>
    </message>
</context>
<context>
    <name>corvinel::ChanceStatistics</name>
    <message>
        <source>没有匹配的开奖，无法与随机比较</source>
        <translation>没有匹配的开奖，无法与随机比较</translation>
    </message>
    <message>
        <source>可与随机比较的结果不足两个，不做整体检验</source>
        <translation>可与随机比较的结果不足两个，不做整体检验</translation>
    </message>
    <message>
        <source>样本太少，无法判断</source>
        <translation>样本太少，无法判断</translation>
    </message>
    <message>
        <source>精确 p</source>
        <translation>精确 p</translation>
    </message>
    <message>
        <source>蒙特卡罗 p</source>
        <translation>蒙特卡罗 p</translation>
    </message>
    <message>
        <source>χ²=%1，自由度 %2，%3</source>
        <translation>χ²=%1，自由度 %2，%3</translation>
    </message>
    <message>
        <source>与随机有显著差异（%1），但随机数据中每 20 次检索约有 1 次如此</source>
        <translation>与随机有显著差异（%1），但随机数据中每 20 次检索约有 1 次如此</translation>
    </message>
    <message>
        <source>未发现与随机不同（样本 %1 期；%2）</source>
        <translation>未发现与随机不同（样本 %1 期；%2）</translation>
    </message>
    <message>
        <source>：某个结果的出现率要达到随机的 %1 倍，此样本量下的检验才有一半把握发现</source>
        <translation>：某个结果的出现率要达到随机的 %1 倍，此样本量下的检验才有一半把握发现</translation>
    </message>
    <message>
        <source>：此样本量下，单个结果再偏离也难以发现</source>
        <translation>：此样本量下，单个结果再偏离也难以发现</translation>
    </message>
    <message>
        <source>；q 值最小的是 %1（%2）</source>
        <translation>；q 值最小的是 %1（%2）</translation>
    </message>
    <message>
        <source>本次已检索 %1 次，纯随机时其中约 %2 次也会显示显著差异</source>
        <translation>本次已检索 %1 次，纯随机时其中约 %2 次也会显示显著差异</translation>
    </message>
</context>
<context>
    <name>corvinel::ExportController</name>
    <message>
        <source>%1失败：%2</source>
        <translation>%1失败：%2</translation>
    </message>
    <message>
        <source>%1失败</source>
        <translation>%1失败</translation>
    </message>
    <message>
        <source>
请关闭正在使用该文件的程序，或检查数据文件夹是否可写，然后再试。</source>
        <translation>
请关闭正在使用该文件的程序，或检查数据文件夹是否可写，然后再试。</translation>
    </message>
    <message>
        <source>%1：已写入 %2</source>
        <translation>%1：已写入 %2</translation>
    </message>
    <message>
        <source>%1：已写入 %2（未能打开该文件）</source>
        <translation>%1：已写入 %2（未能打开该文件）</translation>
    </message>
    <message>
        <source>历史号码导出文本文件</source>
        <translation>历史号码导出文本文件</translation>
    </message>
    <message>
        <source>导出到EXCEL</source>
        <translation>导出到EXCEL</translation>
    </message>
    <message>
        <source>%1：已写入 %2（文本的默认程序在终端中运行，已打开所在文件夹）</source>
        <translation>%1：已写入 %2（文本的默认程序在终端中运行，已打开所在文件夹）</translation>
    </message>
</context>
<context>
    <name>corvinel::HistoryController</name>
    <message>
        <source>第 %1 行</source>
        <translation>第 %1 行</translation>
    </message>
    <message>
        <source>，另有 %1 行</source>
        <translation>，另有 %1 行</translation>
    </message>
    <message>
        <source>确实要读入最新历史号码吗？点击'确认'读入,点击'取消'放弃该操作。确要读入请保证安装目录下存在历史号码的文本文件。读取时可能要花费一段时间,请耐心等候！</source>
        <translation>确实要读入最新历史号码吗？点击'确认'读入,点击'取消'放弃该操作。确要读入请保证安装目录下存在历史号码的文本文件。读取时可能要花费一段时间,请耐心等候！</translation>
    </message>
    <message>
        <source>请输入需要删除最后多少期历史号码（例如输入3，那么就将删除最后的3期历史号码）</source>
        <translation>请输入需要删除最后多少期历史号码（例如输入3，那么就将删除最后的3期历史号码）</translation>
    </message>
    <message>
        <source>请输入需要删除到的期数，例如‘2016090852’</source>
        <translation>请输入需要删除到的期数，例如‘2016090852’</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>请稍候</source>
        <translation>请稍候</translation>
    </message>
    <message>
        <source>%1已取消，历史号码未改变。</source>
        <translation>%1已取消，历史号码未改变。</translation>
    </message>
    <message>
        <source>%1失败，历史号码未改变。
%2</source>
        <translation>%1失败，历史号码未改变。
%2</translation>
    </message>
    <message>
        <source>点击“是”切换到%1后读入，点击“取消”不读入。</source>
        <translation>点击“是”切换到%1后读入，点击“取消”不读入。</translation>
    </message>
    <message>
        <source>点击“是”切换到%1，点击“否”切换到%2，然后读入；点击“取消”不读入。</source>
        <translation>点击“是”切换到%1，点击“否”切换到%2，然后读入；点击“取消”不读入。</translation>
    </message>
    <message>
        <source>彩种不符</source>
        <translation>彩种不符</translation>
    </message>
    <message>
        <source>读取历史号文本</source>
        <translation>读取历史号文本</translation>
    </message>
    <message>
        <source>只能读入文本文件（*.txt）：
%1
历史号码未改变。</source>
        <translation>只能读入文本文件（*.txt）：
%1
历史号码未改变。</translation>
    </message>
    <message>
        <source>正在读入历史号码……</source>
        <translation>正在读入历史号码……</translation>
    </message>
    <message>
        <source>已读入 %1 期历史号码。</source>
        <translation>已读入 %1 期历史号码。</translation>
    </message>
    <message>
        <source>
跳过 %1 行不合格式的行：%2。</source>
        <translation>
跳过 %1 行不合格式的行：%2。</translation>
    </message>
    <message>
        <source>读入已取消，历史号码未改变。</source>
        <translation>读入已取消，历史号码未改变。</translation>
    </message>
    <message>
        <source>文件中没有可用的历史号码行，历史号码未改变。</source>
        <translation>文件中没有可用的历史号码行，历史号码未改变。</translation>
    </message>
    <message>
        <source>读入失败，历史号码未改变。
%1</source>
        <translation>读入失败，历史号码未改变。
%1</translation>
    </message>
    <message>
        <source>
跳过 %1 行：%2。</source>
        <translation>
跳过 %1 行：%2。</translation>
    </message>
    <message>
        <source>删除最后历史</source>
        <translation>删除最后历史</translation>
    </message>
    <message>
        <source>删除最后一期</source>
        <translation>删除最后一期</translation>
    </message>
    <message>
        <source>压缩数据库</source>
        <translation>压缩数据库</translation>
    </message>
    <message>
        <source>历史号码已改变，但压缩数据库失败：
%1</source>
        <translation>历史号码已改变，但压缩数据库失败：
%1</translation>
    </message>
    <message>
        <source>写入备份文件</source>
        <translation>写入备份文件</translation>
    </message>
    <message>
        <source>重建历史号码</source>
        <translation>重建历史号码</translation>
    </message>
    <message>
        <source>正在重建历史号码……</source>
        <translation>正在重建历史号码……</translation>
    </message>
    <message>
        <source>“%1”不是期号。请输入以“20”开头的 %2 位期号，例如‘%3’。历史号码未改变。</source>
        <translation>“%1”不是期号。请输入以“20”开头的 %2 位期号，例如‘%3’。历史号码未改变。</translation>
    </message>
    <message>
        <source>清空历史号码</source>
        <translation>清空历史号码</translation>
    </message>
    <message>
        <source>撤销删除(&amp;U)</source>
        <translation>撤销删除(&amp;U)</translation>
    </message>
    <message>
        <source>撤销删除</source>
        <translation>撤销删除</translation>
    </message>
    <message>
        <source>撤销删除 %1(&amp;U)</source>
        <translation>撤销删除 %1(&amp;U)</translation>
    </message>
    <message>
        <source>删除最后一期 %1？</source>
        <translation>删除最后一期 %1？</translation>
    </message>
    <message>
        <source>撤销删除失败，历史号码未改变。
%1</source>
        <translation>撤销删除失败，历史号码未改变。
%1</translation>
    </message>
    <message>
        <source>已撤销删除：恢复 %1，共 %2 期</source>
        <translation>已撤销删除：恢复 %1，共 %2 期</translation>
    </message>
    <message>
        <source>没有历史号码，无可删除。</source>
        <translation>没有历史号码，无可删除。</translation>
    </message>
    <message>
        <source>没有删除任何一期，剩余 %1 期</source>
        <translation>没有删除任何一期，剩余 %1 期</translation>
    </message>
    <message>
        <source>已删除 %1，剩余 %2 期，可撤销删除</source>
        <translation>已删除 %1，剩余 %2 期，可撤销删除</translation>
    </message>
</context>
<context>
    <name>corvinel::ManualEntryController</name>
    <message>
        <source>已存入 %1 期</source>
        <translation>已存入 %1 期</translation>
    </message>
</context>
<context>
    <name>corvinel::SearchController</name>
    <message>
        <source>正在写入检索标记……</source>
        <translation>正在写入检索标记……</translation>
    </message>
    <message>
        <source>输入有误</source>
        <translation>输入有误</translation>
    </message>
    <message>
        <source>检索</source>
        <translation>检索</translation>
    </message>
    <message>
        <source>检索结果已显示，但检索标记未能写入历史数据库：%1</source>
        <translation>检索结果已显示，但检索标记未能写入历史数据库：%1</translation>
    </message>
    <message>
        <source>匹配 %1 期，基数 %2</source>
        <translation>匹配 %1 期，基数 %2</translation>
    </message>
    <message>
        <source>出现次数</source>
        <translation>出现次数</translation>
    </message>
    <message>
        <source>随机期望</source>
        <translation>随机期望</translation>
    </message>
</context>
<context>
    <name>corvinel::TrendModel</name>
    <message>
        <source>%1：随机出现率 %2</source>
        <translation>%1：随机出现率 %2</translation>
    </message>
</context>
<context>
    <name>corvinel::TrendWindow</name>
    <message>
        <source>走势图</source>
        <translation>走势图</translation>
    </message>
    <message>
        <source>期数</source>
        <translation>期数</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>两面</source>
        <translation>两面</translation>
    </message>
    <message>
        <source>整期形态</source>
        <translation>整期形态</translation>
    </message>
    <message>
        <source>范围</source>
        <translation>范围</translation>
    </message>
    <message>
        <source>整期</source>
        <translation>整期</translation>
    </message>
    <message>
        <source>第%1位</source>
        <translation>第%1位</translation>
    </message>
    <message>
        <source>双击导出到 Zoushi.xlsx</source>
        <translation>双击导出到 Zoushi.xlsx</translation>
    </message>
    <message>
        <source>每期开奖相互独立：一个值很久没有出现，并不会因此更容易出现。随机行给出的是纯随机情况下的出现率、期望次数和遗漏至少这么长的概率。</source>
        <translation>每期开奖相互独立：一个值很久没有出现，并不会因此更容易出现。随机行给出的是纯随机情况下的出现率、期望次数和遗漏至少这么长的概率。</translation>
    </message>
    <message>
        <source>没有历史号码。</source>
        <translation>没有历史号码。</translation>
    </message>
    <message>
        <source>共 %1 期，显示最后 %2 期。</source>
        <translation>共 %1 期，显示最后 %2 期。</translation>
    </message>
    <message>
        <source>没有可导出的走势图。</source>
        <translation>没有可导出的走势图。</translation>
    </message>
    <message>
        <source>导出到EXCEL失败：%1</source>
        <translation>导出到EXCEL失败：%1</translation>
    </message>
    <message>
        <source>导出到EXCEL失败</source>
        <translation>导出到EXCEL失败</translation>
    </message>
    <message>
        <source>
请关闭正在使用该文件的程序，或检查数据文件夹是否可写，然后再试。</source>
        <translation>
请关闭正在使用该文件的程序，或检查数据文件夹是否可写，然后再试。</translation>
    </message>
    <message>
        <source>导出到EXCEL：已写入 %1</source>
        <translation>导出到EXCEL：已写入 %1</translation>
    </message>
</context>
<context>
    <name>corvinel::UndoableDeletions</name>
    <message>
        <source>%1 期（%2–%3）</source>
        <translation>%1 期（%2–%3）</translation>
    </message>
    <message>
        <source>没有可以撤销的删除</source>
        <translation>没有可以撤销的删除</translation>
    </message>
</context>
<context>
    <name>corvinel::UpdateController</name>
    <message>
        <source>确实要在线更新最新历史号码吗？更新可能要花费一段时间，网络不通或者我方服务器更新不及时可能都造成更新失败！</source>
        <translation>确实要在线更新最新历史号码吗？更新可能要花费一段时间，网络不通或者我方服务器更新不及时可能都造成更新失败！</translation>
    </message>
    <message>
        <source>没有设置在线更新网址，无法在线更新。
请先在设置菜单中选择“在线更新网址(U)”，输入开奖网站的地址（以 http:// 或 https:// 开头）。历史号码没有改变。</source>
        <translation>没有设置在线更新网址，无法在线更新。
请先在设置菜单中选择“在线更新网址(U)”，输入开奖网站的地址（以 http:// 或 https:// 开头）。历史号码没有改变。</translation>
    </message>
    <message>
        <source>。历史号码没有改变。</source>
        <translation>。历史号码没有改变。</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>正在取消……</source>
        <translation>正在取消……</translation>
    </message>
    <message>
        <source>正在载入第 %1 天（共 %2 天）：%3</source>
        <translation>正在载入第 %1 天（共 %2 天）：%3</translation>
    </message>
    <message>
        <source>正在保存历史号码……</source>
        <translation>正在保存历史号码……</translation>
    </message>
</context>
<context>
    <name>corvinel::frmMain</name>
    <message>
        <source>Corvinel 快乐十分分析</source>
        <translation>Corvinel 快乐十分分析</translation>
    </message>
    <message>
        <source>%1　已存 %2 期</source>
        <translation>%1　已存 %2 期</translation>
    </message>
    <message>
        <source>　最后一期 %1</source>
        <translation>　最后一期 %1</translation>
    </message>
    <message>
        <source>无法打开帮助页面</source>
        <translation>无法打开帮助页面</translation>
    </message>
    <message>
        <source>找不到或无法打开帮助页面 %1，请检查程序是否完整安装。</source>
        <translation>找不到或无法打开帮助页面 %1，请检查程序是否完整安装。</translation>
    </message>
</context>
<context>
    <name>corvinel::history_text</name>
    <message>
        <source>没有历史号码，未写出文本文件。</source>
        <translation>没有历史号码，未写出文本文件。</translation>
    </message>
    <message>
        <source>历史列表不可读，未写出文本文件。</source>
        <translation>历史列表不可读，未写出文本文件。</translation>
    </message>
    <message>
        <source>无法写入 %1：%2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>无法保存 %1：%2</source>
        <translation>无法保存 %1：%2</translation>
    </message>
</context>
<context>
    <name>corvinel::rules</name>
    <message>
        <source>检索起止期数“%1”不是有效的期号（后九位须为整数），请改正后再检索。</source>
        <translation>检索起止期数“%1”不是有效的期号（后九位须为整数），请改正后再检索。</translation>
    </message>
    <message>
        <source>搜索类型或结果类型无效。</source>
        <translation>搜索类型或结果类型无效。</translation>
    </message>
    <message>
        <source>前期数须为1到9之间的整数。</source>
        <translation>前期数须为1到9之间的整数。</translation>
    </message>
    <message>
        <source>%1第%2位的值%3超出%4的取值范围（%5到%6），请改正后再检索。</source>
        <translation>%1第%2位的值%3超出%4的取值范围（%5到%6），请改正后再检索。</translation>
    </message>
    <message>
        <source>组合检索用到检索号码的全部八位：</source>
        <translation>组合检索用到检索号码的全部八位：</translation>
    </message>
    <message>
        <source>组合位数%1无效，须为1到6之间的整数。</source>
        <translation>组合位数%1无效，须为1到6之间的整数。</translation>
    </message>
    <message>
        <source>还没有历史号码，请先读取历史号文本、在线更新或输入历史号码。</source>
        <translation>还没有历史号码，请先读取历史号文本、在线更新或输入历史号码。</translation>
    </message>
    <message>
        <source>检索起止期数的起始期%1在终止期%2之后，请改正后再检索。</source>
        <translation>检索起止期数的起始期%1在终止期%2之后，请改正后再检索。</translation>
    </message>
    <message>
        <source>检索起止期数%1～%2之间没有已存的历史号码（已存%3～%4），请改正后再检索。</source>
        <translation>检索起止期数%1～%2之间没有已存的历史号码（已存%3～%4），请改正后再检索。</translation>
    </message>
    <message>
        <source>验证期号“%1”不是有效的期号，请输入如%2的期号。</source>
        <translation>验证期号“%1”不是有效的期号，请输入如%2的期号。</translation>
    </message>
    <message>
        <source>验证期号%1的上一期%2之前不到%3期历史号码，取不到前%4期的检索号码。</source>
        <translation>验证期号%1的上一期%2之前不到%3期历史号码，取不到前%4期的检索号码。</translation>
    </message>
    <message>
        <source>验证期号%1的上一期%2不在历史号码中，取不到验证用的检索号码。</source>
        <translation>验证期号%1的上一期%2不在历史号码中，取不到验证用的检索号码。</translation>
    </message>
</context>
<context>
    <name>corvinel::workbook</name>
    <message>
        <source>无法写入 %1：%2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>列表不可读</source>
        <translation>列表不可读</translation>
    </message>
    <message>
        <source>列表超出工作表的行数或列数上限</source>
        <translation>列表超出工作表的行数或列数上限</translation>
    </message>
    <message>
        <source>文件夹不存在</source>
        <translation>文件夹不存在</translation>
    </message>
    <message>
        <source>无法创建工作簿</source>
        <translation>无法创建工作簿</translation>
    </message>
    <message>
        <source>无法创建工作表</source>
        <translation>无法创建工作表</translation>
    </message>
    <message>
        <source>第 %1 行第 %2 列：%3</source>
        <translation>第 %1 行第 %2 列：%3</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Corvinel 快乐十分分析</source>
        <translation>Corvinel 快乐十分分析</translation>
    </message>
    <message>
        <source>历史数据库和导出文件所在的文件夹。</source>
        <translation>历史数据库和导出文件所在的文件夹。</translation>
    </message>
    <message>
        <source>文件夹</source>
        <translation>文件夹</translation>
    </message>
</context>
</TS>
