<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>Vorlat  Darts Score Video Maker</source>
        <translation>Vorlat  ダーツスコア動画作成ツール</translation>
    </message>
    <message>
        <source>Load score file</source>
        <translation>スコアファイル読込</translation>
    </message>
    <message>
        <source>Record timing</source>
        <translation>タイミング記録</translation>
    </message>
    <message>
        <source>Stop recording</source>
        <translation>記録中止</translation>
    </message>
    <message>
        <source>Create video file</source>
        <translation>動画ファイル作成</translation>
    </message>
    <message>
        <source>Stop output</source>
        <translation>ファイル出力中断</translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation>txtﾌｧｲﾙ (*.txt)</translation>
    </message>
    <message>
        <source>AVI files (*.avi)</source>
        <translation>aviﾌｧｲﾙ (*.avi)</translation>
    </message>
    <message>
        <source>Recording timing...  (press Enter the moment each dart lands)</source>
        <translation>タイミング記録中...　（※矢が刺さるタイミングでEnterを押す）</translation>
    </message>
    <message>
        <source>Recording timing --&gt; </source>
        <translation>タイミング記録中 --&gt; </translation>
    </message>
    <message>
        <source>(  Output stopped  )</source>
        <translation>（　ファイル出力中断　）</translation>
    </message>
    <message>
        <source>(  Video file written  )</source>
        <translation>（　動画ファイル出力完了　）</translation>
    </message>
    <message>
        <source>There is no score data.

Load a score file first.</source>
        <translation>スコアデータが存在しません。

先にスコアファイルを読み込んでください。</translation>
    </message>
    <message>
        <source>No data</source>
        <translation>データがありません</translation>
    </message>
    <message>
        <source>The moments the darts land will be recorded.


Recording starts the moment you click [OK].

Press the Enter key each time a dart lands.

(When the recording reaches the last dart, the timing is saved into the current file)</source>
        <translation>ダーツの刺さるタイミングを記録します。


[OK]をクリックした瞬間から記録がスタートします。

ダーツが刺さるタイミングに合わせてEnterキーを押して下さい。

（記録が最後まで到達すると、現在のファイルにタイミングが上書保存されます）</translation>
    </message>
    <message>
        <source>Start recording timing</source>
        <translation>タイミング記録の開始</translation>
    </message>
    <message>
        <source>The recording reached the last dart.

The timing was saved into the current file.</source>
        <translation>タイミング記録が最終投まで達しました。

タイミングデータを現在のファイルに保存しました。</translation>
    </message>
    <message>
        <source>File saved</source>
        <translation>ファイル保存完了</translation>
    </message>
    <message>
        <source>Could not save the timing into the file.</source>
        <translation>タイミングデータのファイル保存に失敗しました。</translation>
    </message>
    <message>
        <source>Save error</source>
        <translation>ファイル保存エラー</translation>
    </message>
    <message>
        <source>The video file is complete.</source>
        <translation>動画ファイルの作成が完了しました。</translation>
    </message>
    <message>
        <source>Output done</source>
        <translation>ファイル出力完了</translation>
    </message>
    <message>
        <source>Creating the video file was stopped or an output error occurred.</source>
        <translation>動画ファイルの作成中断または出力エラーが発生しました。</translation>
    </message>
    <message>
        <source>Output error</source>
        <translation>ファイル出力エラー</translation>
    </message>
    <message>
        <source>Could not read the score file.</source>
        <translation>スコアファイルの読み込みができませんでした。</translation>
    </message>
    <message>
        <source>Read error</source>
        <translation>ファイル読み込みエラー</translation>
    </message>
    <message>
        <source>Round%1, Player%2, dart %3 (%4/%5)</source>
        <translation>Round%1, Player%2, %3投目 (%4/%5)</translation>
    </message>
    <message>
        <source>(  Writing video file...  %1%  )</source>
        <translation>（　動画ファイル出力中...　%1%　）</translation>
    </message>
</context>
<context>
    <name>Application</name>
    <message>
        <source>Turns the score file of a darts match into a scoreboard video.</source>
        <translation>ダーツの試合のスコアファイルからスコアボードの動画を作ります。</translation>
    </message>
    <message>
        <source>The score file to open.</source>
        <translation>開くスコアファイル。</translation>
    </message>
    <message>
        <source>vorlat: give one score file at most</source>
        <translation>vorlat: 開けるスコアファイルは一つだけです</translation>
    </message>
</context>
<context>
    <name>Cli</name>
    <message>
        <source>Could not read the score file.</source>
        <translation>スコアファイルの読み込みができませんでした。</translation>
    </message>
    <message>
        <source>(  Writing video file...  %1%  )</source>
        <translation>（　動画ファイル出力中...　%1%　）</translation>
    </message>
    <message>
        <source>(  Video file written  )</source>
        <translation>（　動画ファイル出力完了　）</translation>
    </message>
    <message>
        <source>Makes the pictures and the video of the Vorlat window from a darts match's score file, without a window.</source>
        <translation>ダーツの試合のスコアファイルから、Vorlatのウィンドウと同じ画像と動画をウィンドウなしで作ります。</translation>
    </message>
    <message>
        <source>  dump    prints the match as the program reads it</source>
        <translation>  dump    プログラムが読み取った試合を表示します</translation>
    </message>
    <message>
        <source>  frame   paints the board at T milliseconds into a PNG file</source>
        <translation>  frame   T ミリ秒時点のボードをPNGファイルに描きます</translation>
    </message>
    <message>
        <source>  title   paints the title picture into a PNG file</source>
        <translation>  title   タイトル画面をPNGファイルに描きます</translation>
    </message>
    <message>
        <source>  export  writes the video file</source>
        <translation>  export  動画ファイルを書き出します</translation>
    </message>
    <message>
        <source>  S is the size against 320x240; B is picture, transparent or a colour #RRGGBB</source>
        <translation>  S は 320x240 に対する倍率、B は picture、transparent または色 #RRGGBB</translation>
    </message>
</context>
</TS>
