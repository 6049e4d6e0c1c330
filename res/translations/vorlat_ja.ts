<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en">
<context>
    <name>Application</name>
    <message>
        <location filename="../../app/Application.cpp" line="47"/>
        <source>Turns the score file of a darts match into a scoreboard video.</source>
        <translation>ダーツの試合のスコアファイルからスコアボードの動画を作ります。</translation>
    </message>
    <message>
        <location filename="../../app/Application.cpp" line="50"/>
        <source>The score file to open.</source>
        <translation>開くスコアファイル。</translation>
    </message>
    <message>
        <location filename="../../app/Application.cpp" line="53"/>
        <source>The match footage to open in the player.</source>
        <translation>プレーヤーで開く試合の映像ファイル。</translation>
    </message>
    <message>
        <location filename="../../app/Application.cpp" line="61"/>
        <source>vorlat: give one score file at most</source>
        <translation>vorlat: 開けるスコアファイルは一つだけです</translation>
    </message>
</context>
<context>
    <name>Cli</name>
    <message>
        <location filename="../../app/cli/CliText.cpp" line="36"/>
        <source>Could not read the score file.</source>
        <translation>スコアファイルの読み込みができませんでした。</translation>
    </message>
    <message>
        <location filename="../../app/cli/CliText.cpp" line="40"/>
        <source>(  Writing video file...  %1%  )</source>
        <translation>（&#x3000;動画ファイル出力中...&#x3000;%1%&#x3000;）</translation>
    </message>
    <message>
        <location filename="../../app/cli/CliText.cpp" line="44"/>
        <source>(  Video file written  )</source>
        <translation>（&#x3000;動画ファイル出力完了&#x3000;）</translation>
    </message>
    <message>
        <location filename="../../app/cli/CliText.cpp" line="48"/>
        <source>Makes the pictures and the video of the Vorlat window from a darts match&apos;s score file, without a window.</source>
        <translation>ダーツの試合のスコアファイルから、Vorlatのウィンドウと同じ画像と動画をウィンドウなしで作ります。</translation>
    </message>
    <message>
        <location filename="../../app/cli/CliText.cpp" line="55"/>
        <source>  dump    prints the match as the program reads it</source>
        <translation>  dump    プログラムが読み取った試合を表示します</translation>
    </message>
    <message>
        <location filename="../../app/cli/CliText.cpp" line="56"/>
        <source>  frame   paints the board at T milliseconds into a PNG file</source>
        <translation>  frame   T ミリ秒時点のボードをPNGファイルに描きます</translation>
    </message>
    <message>
        <location filename="../../app/cli/CliText.cpp" line="57"/>
        <source>  title   paints the title picture into a PNG file</source>
        <translation>  title   タイトル画面をPNGファイルに描きます</translation>
    </message>
    <message>
        <location filename="../../app/cli/CliText.cpp" line="58"/>
        <source>  export  writes the video file</source>
        <translation>  export  動画ファイルを書き出します</translation>
    </message>
    <message>
        <location filename="../../app/cli/CliText.cpp" line="59"/>
        <source>  S is the size against 320x240; B is picture, transparent or a colour #RRGGBB</source>
        <translation>  S は 320x240 に対する倍率、B は picture、transparent または色 #RRGGBB</translation>
    </message>
    <message>
        <source>  check   lists what was read leniently in the score file</source>
        <translation>  check   スコアファイルの警告（読み替えた箇所）を一覧表示します</translation>
    </message>
    <message>
        <source>  stats   prints each player&apos;s figures</source>
        <translation>  stats   各プレーヤーの成績を表示します</translation>
    </message>
    <message>
        <source>  burn    writes the footage with the board laid over it</source>
        <translation>  burn    ボードを重ねた試合映像を書き出します</translation>
    </message>
    <message>
        <source>  --end-card: the last 5 s show the match&apos;s figures</source>
        <translation>  --end-card: 最後の5秒に試合の成績を表示します</translation>
    </message>
    <message>
        <source>vorlat-cli check: could not write the output</source>
        <translation>vorlat-cli check: 出力を書き込めませんでした</translation>
    </message>
</context>
<context>
    <name>ExportDialog</name>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="45"/>
        <source>AVI (Video 1 or uncompressed, as the score file says)</source>
        <translation>AVI（Video 1 または非圧縮、スコアファイルの設定どおり）</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="47"/>
        <source>H.264 (.mp4)</source>
        <translation>H.264 (.mp4)</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="49"/>
        <source>ProRes (.mov)</source>
        <translation>ProRes (.mov)</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="51"/>
        <source>VP9 (.webm)</source>
        <translation>VP9 (.webm)</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="53"/>
        <source>FFV1, lossless (.mkv)</source>
        <translation>FFV1 可逆圧縮 (.mkv)</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="57"/>
        <source>PNG pictures, one a frame</source>
        <translation>PNG連番画像（1フレーム1枚）</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="96"/>
        <source>320x240 AVI (classic)</source>
        <translation>320x240 AVI（従来形式）</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="97"/>
        <source>1080p transparent (ProRes 4444 .mov)</source>
        <translation>1080p 透過 (ProRes 4444 .mov)</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="99"/>
        <source>1080p green screen (H.264 .mp4)</source>
        <translation>1080p グリーンバック (H.264 .mp4)</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="102"/>
        <source>4K transparent (ProRes 4444 .mov)</source>
        <translation>4K 透過 (ProRes 4444 .mov)</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="104"/>
        <source>1080p transparent (VP9 .webm)</source>
        <translation>1080p 透過 (VP9 .webm)</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="195"/>
        <source>Video settings</source>
        <translation>動画ファイルの設定</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="200"/>
        <source>Custom</source>
        <translation>カスタム</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="206"/>
        <source>320x240 (the board alone)</source>
        <translation>320x240（スコアボードのみ）</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="226"/>
        <source>Preset</source>
        <translation>プリセット</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="227"/>
        <source>Format</source>
        <translation>形式</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="228"/>
        <source>Size</source>
        <translation>サイズ</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="229"/>
        <source>Frames per second</source>
        <translation>フレームレート</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="230"/>
        <source>Board position</source>
        <translation>スコアボードの位置</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="231"/>
        <source>Background</source>
        <translation>背景</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="310"/>
        <source>Size or frames per second is not valid.</source>
        <translation>サイズまたはフレームレートの指定が正しくありません。</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="316"/>
        <source>This format has no transparency: choose a colour background.</source>
        <translation>この形式は透過に対応していません。背景色を選んでください。</translation>
    </message>
    <message>
        <location filename="../../app/ExportDialog.cpp" line="342"/>
        <source>Video length %1 (%2 frames at %3 fps)</source>
        <translation>動画の長さ %1（%2 フレーム、%3 fps）</translation>
    </message>
    <message>
        <source>%1 transparent (ProRes 4444 .mov)</source>
        <translation>%1 透過 (ProRes 4444 .mov)</translation>
    </message>
    <message>
        <source>%1 green screen (H.264 .mp4)</source>
        <translation>%1 グリーンバック (H.264 .mp4)</translation>
    </message>
    <message>
        <source>%1 transparent (VP9 .webm)</source>
        <translation>%1 透過 (VP9 .webm)</translation>
    </message>
    <message>
        <source>Top left</source>
        <translation>左上</translation>
    </message>
    <message>
        <source>Top right</source>
        <translation>右上</translation>
    </message>
    <message>
        <source>Bottom left</source>
        <translation>左下</translation>
    </message>
    <message>
        <source>Bottom right</source>
        <translation>右下</translation>
    </message>
    <message>
        <source>Centre</source>
        <translation>中央</translation>
    </message>
    <message>
        <source>Scoreboard picture</source>
        <translation>スコアボードの画像</translation>
    </message>
    <message>
        <source>Transparent</source>
        <translation>透過</translation>
    </message>
    <message>
        <source>Key colour</source>
        <translation>キー色</translation>
    </message>
    <message>
        <source>Choose the key colour</source>
        <translation>キー色を選ぶ</translation>
    </message>
    <message>
        <source>Theme</source>
        <translation>テーマ</translation>
    </message>
    <message>
        <source>Layout</source>
        <translation>レイアウト</translation>
    </message>
    <message>
        <source>Preview of the board over the footage</source>
        <translation>映像に重ねたボードのプレビュー</translation>
    </message>
</context>
<context>
    <name>ExportPreview</name>
    <message>
        <source>Player 1</source>
        <translation>プレイヤー1</translation>
    </message>
    <message>
        <source>Player 2</source>
        <translation>プレイヤー2</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <location filename="../../app/Texts.h" line="16"/>
        <source>Vorlat  Darts Score Video Maker</source>
        <translation>Vorlat  ダーツスコア動画作成ツール</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="18"/>
        <source>Load score file</source>
        <translation>スコアファイル読込</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="19"/>
        <source>Record timing</source>
        <translation>タイミング記録</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="20"/>
        <source>Stop recording</source>
        <translation>記録中止</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="21"/>
        <source>Create video file</source>
        <translation>動画ファイル作成</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="22"/>
        <source>Stop output</source>
        <translation>ファイル出力中断</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="24"/>
        <source>Text files (*.txt)</source>
        <translation>txtﾌｧｲﾙ (*.txt)</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="25"/>
        <source>AVI files (*.avi)</source>
        <translation>aviﾌｧｲﾙ (*.avi)</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="27"/>
        <source>Recording timing...  (press Enter the moment each dart lands)</source>
        <translation>タイミング記録中...&#x3000;（※矢が刺さるタイミングでEnterを押す）</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="30"/>
        <source>Recording timing --&gt; </source>
        <translation>タイミング記録中 --&gt; </translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="32"/>
        <source>(  Output stopped  )</source>
        <translation>（&#x3000;ファイル出力中断&#x3000;）</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="34"/>
        <source>(  Video file written  )</source>
        <translation>（&#x3000;動画ファイル出力完了&#x3000;）</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="37"/>
        <source>There is no score data.

Load a score file first.</source>
        <translation>スコアデータが存在しません。

先にスコアファイルを読み込んでください。</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="38"/>
        <source>No data</source>
        <translation>データがありません</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="39"/>
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
        <location filename="../../app/Texts.h" line="45"/>
        <source>Start recording timing</source>
        <translation>タイミング記録の開始</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="46"/>
        <source>The recording reached the last dart.

The timing was saved into the current file.</source>
        <translation>タイミング記録が最終投まで達しました。

タイミングデータを現在のファイルに保存しました。</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="49"/>
        <source>File saved</source>
        <translation>ファイル保存完了</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="51"/>
        <source>Could not save the timing into the file.</source>
        <translation>タイミングデータのファイル保存に失敗しました。</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="52"/>
        <source>Save error</source>
        <translation>ファイル保存エラー</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="54"/>
        <source>The video file is complete.</source>
        <translation>動画ファイルの作成が完了しました。</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="55"/>
        <source>Output done</source>
        <translation>ファイル出力完了</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="56"/>
        <source>Creating the video file was stopped or an output error occurred.</source>
        <translation>動画ファイルの作成中断または出力エラーが発生しました。</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="58"/>
        <source>Output error</source>
        <translation>ファイル出力エラー</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="62"/>
        <source>Could not read the score file.</source>
        <translation>スコアファイルの読み込みができませんでした。</translation>
    </message>
    <message>
        <location filename="../../app/Texts.h" line="63"/>
        <source>Read error</source>
        <translation>ファイル読み込みエラー</translation>
    </message>
    <message>
        <location filename="../../app/Texts.cpp" line="6"/>
        <source>Round%1, Player%2, dart %3 (%4/%5)</source>
        <translation>ラウンド%1, プレーヤー%2, %3投目 (%4/%5)</translation>
    </message>
    <message>
        <location filename="../../app/Texts.cpp" line="19"/>
        <source>(  Writing video file...  %1%  )</source>
        <translation>（&#x3000;動画ファイル出力中...&#x3000;%1%&#x3000;）</translation>
    </message>
    <message>
        <location filename="../../app/MainWindow.cpp" line="274"/>
        <source>The recording follows the footage in the player: press Enter when a dart lands, Backspace to take the last tap back. Pausing, seeking and slow playback are allowed.

The times are saved to the score file when the last dart is reached.</source>
        <translation>プレーヤーの映像に合わせて記録します。ダーツが刺さったらEnter、直前の記録を取り消すにはBackspaceを押してください。一時停止、シーク、スロー再生もできます。

最終投まで達すると、タイミングがスコアファイルに保存されます。</translation>
    </message>
    <message>
        <source>Blog</source>
        <translation>ブログ</translation>
    </message>
    <message>
        <source>Export chapters and markers...</source>
        <translation>チャプターとマーカーを書き出す...</translation>
    </message>
    <message>
        <source>Video site chapters (YouTube description)</source>
        <translation>動画サイトのチャプター（YouTube の概要欄）</translation>
    </message>
    <message>
        <source>Spreadsheet (CSV)</source>
        <translation>表計算（CSV）</translation>
    </message>
    <message>
        <source>Edit decision list markers (EDL)</source>
        <translation>編集リストのマーカー（EDL）</translation>
    </message>
    <message>
        <source>Final Cut Pro / DaVinci Resolve markers (FCPXML)</source>
        <translation>Final Cut Pro / DaVinci Resolve のマーカー（FCPXML）</translation>
    </message>
    <message>
        <source>FFmpeg chapters (ffmetadata)</source>
        <translation>FFmpeg のチャプター（ffmetadata）</translation>
    </message>
    <message>
        <source>Format:</source>
        <translation>形式：</translation>
    </message>
    <message>
        <source>It is the score file or the footage.</source>
        <translation>スコアファイルか映像ファイルです。</translation>
    </message>
    <message>
        <source>It is not a regular file.</source>
        <translation>通常のファイルではありません。</translation>
    </message>
</context>
<context>
    <name>PlayerWindow</name>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="55"/>
        <source>Open footage</source>
        <translation>映像ファイルを開く</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="56"/>
        <source>Videos (*.mp4 *.mkv *.mov *.avi *.webm *.m4v *.mts *.ts);;All files (*)</source>
        <translation>動画ファイル (*.mp4 *.mkv *.mov *.avi *.webm *.m4v *.mts *.ts);;すべてのファイル (*)</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="59"/>
        <source>Burn the board into the footage</source>
        <translation>スコアボードを映像に焼き込む</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="60"/>
        <source>MP4 video (*.mp4);;Matroska video (*.mkv)</source>
        <translation>MP4動画 (*.mp4);;Matroska動画 (*.mkv)</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="62"/>
        <source>Vorlat player</source>
        <translation>Vorlat プレーヤー</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="66"/>
        <source>Player...</source>
        <translation>プレーヤー...</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="72"/>
        <location filename="../../app/PlayerWindow.cpp" line="112"/>
        <source>Open footage...</source>
        <translation>映像ファイルを開く...</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="79"/>
        <location filename="../../app/PlayerWindow.cpp" line="594"/>
        <source>Burn board into footage...</source>
        <translation>スコアボードを映像に焼き込む...</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="119"/>
        <source>Shift all times</source>
        <translation>全タイミングをずらす</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="121"/>
        <source>Top left</source>
        <translation>左上</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="121"/>
        <source>Top right</source>
        <translation>右上</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="122"/>
        <source>Bottom left</source>
        <translation>左下</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="122"/>
        <source>Bottom right</source>
        <translation>右下</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="123"/>
        <source>Centre</source>
        <translation>中央</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="130"/>
        <source>Auto</source>
        <translation>自動</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="131"/>
        <location filename="../../app/PlayerWindow.cpp" line="593"/>
        <source>Burn in...</source>
        <translation>焼き込み...</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="143"/>
        <source>Times (Alt+Left/Right nudges)</source>
        <translation>タイミング（Alt+←/→で微調整）</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="150"/>
        <source>Board</source>
        <translation>ボード</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="213"/>
        <source>Times saved.</source>
        <translation>タイミングを保存しました。</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="213"/>
        <source>The times were not saved: %1</source>
        <translation>タイミングは保存されませんでした: %1</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="285"/>
        <source>Footage: %1 (%2 x %3, %4 fps)</source>
        <translation>映像: %1（%2 x %3、%4 fps）</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="535"/>
        <source>Open a score file and its footage first.</source>
        <translation>先にスコアファイルと映像ファイルを開いてください。</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="540"/>
        <source>-board</source>
        <translation>-board</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="545"/>
        <source>The burn-in never writes over the score file or the footage.</source>
        <translation>焼き込みはスコアファイルや元の映像ファイルには上書きしません。</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="569"/>
        <source>Burning in... %1%</source>
        <translation>焼き込み中...　%1%</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="584"/>
        <location filename="../../app/PlayerWindow.cpp" line="585"/>
        <source>Stop burning</source>
        <translation>焼き込み中断</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="597"/>
        <source>Burn-in finished: %1</source>
        <translation>焼き込み完了: %1</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="600"/>
        <source>Burn-in stopped: %1 holds the frames so far</source>
        <translation>焼き込み中断: %1 にはここまでのフレームが入っています</translation>
    </message>
    <message>
        <location filename="../../app/PlayerWindow.cpp" line="603"/>
        <source>Burn-in failed: %1</source>
        <translation>焼き込み失敗: %1</translation>
    </message>
    <message>
        <source>Theme</source>
        <translation>テーマ</translation>
    </message>
    <message>
        <source>Layout</source>
        <translation>レイアウト</translation>
    </message>
</context>
<context>
    <name>TransportBar</name>
    <message>
        <location filename="../../app/TransportBar.cpp" line="21"/>
        <location filename="../../app/TransportBar.cpp" line="66"/>
        <source>Play</source>
        <translation>再生</translation>
    </message>
    <message>
        <location filename="../../app/TransportBar.cpp" line="66"/>
        <source>Pause</source>
        <translation>一時停止</translation>
    </message>
</context>
<context>
    <name>EntryTimesList</name>
    <message>
        <location filename="../../app/EntryTimesList.cpp" line="17"/>
        <source>R%1 P%2 dart %3   %4 s</source>
        <translation>R%1 P%2 %3投目   %4 秒</translation>
    </message>
    <message>
        <location filename="../../app/EntryTimesList.cpp" line="22"/>
        <source>R%1 P%2 start    %3 s</source>
        <translation>R%1 P%2 開始    %3 秒</translation>
    </message>
</context>
<context>
    <name>WarningsPanel</name>
    <message>
        <location filename="../../app/WarningsPanel.cpp" line="37"/>
        <source>Line %1: %2</source>
        <translation>%1行目: %2</translation>
    </message>
    <message numerus="yes">
        <location filename="../../app/WarningsPanel.cpp" line="54"/>
        <source>Score file warnings: %n</source>
        <translation>
            <numerusform>スコアファイルの警告: %n件</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../../app/WarningsPanel.cpp" line="60"/>
        <source>The score file could not be loaded again; the match shown stays.</source>
        <translation>スコアファイルを再読み込みできませんでした。表示中のデータはそのままです。</translation>
    </message>
    <message numerus="yes">
        <location filename="../../app/WarningsPanel.cpp" line="69"/>
        <source>… and %n more</source>
        <translation>
            <numerusform>…ほか%n件</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Diagnostics</name>
    <message>
        <source>no such file</source>
        <translation>ファイルがありません</translation>
    </message>
    <message>
        <source>cannot be read: %1</source>
        <translation>読み込めません: %1</translation>
    </message>
    <message>
        <source>is not a regular file (a device, pipe or socket)</source>
        <translation>通常のファイルではありません（デバイス、パイプまたはソケット）</translation>
    </message>
    <message>
        <source>is %1 bytes, more than the %2 bytes a score file may have</source>
        <translation>%1 バイトあり、スコアファイルの上限 %2 バイトを超えています</translation>
    </message>
    <message>
        <source>is not a score file: it has no [DATA] section</source>
        <translation>スコアファイルではありません: [DATA] セクションがありません</translation>
    </message>
    <message>
        <source>is not a score file: its [DATA] section has no turn R01-1</source>
        <translation>スコアファイルではありません: [DATA] セクションに R01-1 がありません</translation>
    </message>
    <message>
        <source>no score file is loaded; the times were not saved</source>
        <translation>スコアファイルが読み込まれていません。タイミングは保存されませんでした</translation>
    </message>
    <message>
        <source>no longer exists (moved or deleted since it was loaded); the times were not saved</source>
        <translation>ファイルがなくなっています（読み込み後に移動または削除されました）。タイミングは保存されませんでした</translation>
    </message>
    <message>
        <source>points to %1, which no longer exists; the times were not saved</source>
        <translation>リンク先の %1 がなくなっています。タイミングは保存されませんでした</translation>
    </message>
    <message>
        <source>cannot be written: %1; the times were not saved</source>
        <translation>書き込めません: %1。タイミングは保存されませんでした</translation>
    </message>
    <message>
        <source>would grow to %1 bytes with the times, more than the %2 bytes a score file may have; the times were not saved</source>
        <translation>タイミングを書き込むと %1 バイトになり、スコアファイルの上限 %2 バイトを超えます。タイミングは保存されませんでした</translation>
    </message>
    <message>
        <source>has changed on disk and is no longer a score file; the times were not saved</source>
        <translation>ディスク上で変更され、スコアファイルではなくなっています。タイミングは保存されませんでした</translation>
    </message>
    <message>
        <source>cannot get a backup copy at %1 before it is written in place: %2; the times were not saved</source>
        <translation>書き込み前のバックアップを %1 に作れません: %2。タイミングは保存されませんでした</translation>
    </message>
    <message>
        <source>cannot be written: %1; the file is unchanged</source>
        <translation>書き込めません: %1。ファイルは変更されていません</translation>
    </message>
    <message>
        <source>cannot be written: %1, and its old content could not be put back; a copy of it is in %2</source>
        <translation>書き込めません: %1。元の内容も戻せませんでした。そのコピーは %2 にあります</translation>
    </message>
    <message>
        <source>the recorded times run backwards; the file keeps its times</source>
        <translation>記録した時刻が前の時刻より戻っています。ファイルの時刻はそのままです</translation>
    </message>
    <message>
        <source>throw &quot;%1&quot; is not a dart on the board; counted as %2, scoring %3</source>
        <translation>投擲 "%1" はボード上のダーツではありません。%2 として数え、得点は %3 です</translation>
    </message>
    <message>
        <source>throw &quot;%1&quot; is not a dart on the board; counted as %2, which busts the turn</source>
        <translation>投擲 "%1" はボード上のダーツではありません。%2 として数え、バーストになります</translation>
    </message>
    <message>
        <source>throw &quot;%1&quot; is not a dart on the board; counted as %2, %3 marks</source>
        <translation>投擲 "%1" はボード上のダーツではありません。%2 として数え、%3 マークです</translation>
    </message>
    <message>
        <source>empty throw between commas; counted as a dart that scored nothing</source>
        <translation>カンマの間の投擲が空です。得点なしのダーツとして数えます</translation>
    </message>
    <message>
        <source>leave &quot;%1&quot; has no meaning in Cricket; counted as a dart that scored nothing</source>
        <translation>残り点数 "%1" はクリケットでは意味がありません。得点なしのダーツとして数えます</translation>
    </message>
    <message>
        <source>turn %1 lists %2 throws; a turn has three darts, so &quot;%3&quot; is ignored</source>
        <translation>%1 の投擲が %2 個あります。1ターンは3本なので "%3" は無視します</translation>
    </message>
    <message>
        <source>leave &quot;%1&quot; is more than the %2 left; the dart busts the turn</source>
        <translation>残り点数 "%1" が残りの %2 より大きいため、このダーツでバーストになります</translation>
    </message>
    <message>
        <source>turn %1 comes after player %2 won in %3; its darts still count</source>
        <translation>%1 はプレーヤー%2 が %3 で勝った後のターンです。ダーツはそのまま数えます</translation>
    </message>
    <message>
        <source>dart %2 of %1 comes after the checkout; it still counts</source>
        <translation>%1 の %2 投目はチェックアウトの後です。そのまま数えます</translation>
    </message>
    <message>
        <source>GAME is missing; played as 301</source>
        <translation>GAME がありません。301 として扱います</translation>
    </message>
    <message>
        <source>GAME &quot;%1&quot; is not 301, 501, 701, 901, 1101, 1501 or Cricket; played as 301</source>
        <translation>GAME "%1" は 301、501、701、901、1101、1501、Cricket のいずれでもありません。301 として扱います</translation>
    </message>
    <message>
        <source>%1 &quot;%2&quot; is not seven digits 0-3; ignored, no starting marks</source>
        <translation>%1 "%2" は 0〜3 の7桁ではありません。無視し、開始マークなしとします</translation>
    </message>
    <message>
        <source>%1 &quot;%2&quot; is not seven digits 0-3; a target with another character starts with 0 marks</source>
        <translation>%1 "%2" は 0〜3 の7桁ではありません。ほかの文字のターゲットは 0 マークで始まります</translation>
    </message>
    <message>
        <source>%1 %2 is negative; the player starts at %3</source>
        <translation>%1 %2 が負の値です。プレーヤーは %3 から始まります</translation>
    </message>
    <message>
        <source>%1 &quot;%2&quot; is not a number; read as %3</source>
        <translation>%1 "%2" は数値ではありません。%3 として読みます</translation>
    </message>
    <message>
        <source>turn %1 is missing, so the match ends before it; %2 and later turns are not read</source>
        <translation>%1 がないため、試合はその前で終わります。%2 以降のターンは読みません</translation>
    </message>
    <message>
        <source>turn %1 is empty, so the match ends before it; %2 and later turns are not read</source>
        <translation>%1 が空のため、試合はその前で終わります。%2 以降のターンは読みません</translation>
    </message>
    <message>
        <source>%1 in [%2] is past round 40; never read</source>
        <translation>[%2] の %1 は40ラウンドを超えています。読みません</translation>
    </message>
    <message>
        <source>%1 in [%2] is never read; turns are written R01-1 to R40-2</source>
        <translation>[%2] の %1 は読まれません。ターンは R01-1 から R40-2 の形で書きます</translation>
    </message>
    <message>
        <source>%1 in [SETTING] is never read</source>
        <translation>[SETTING] の %1 は読まれません</translation>
    </message>
    <message>
        <source>section [%1] is never read</source>
        <translation>セクション [%1] は読まれません</translation>
    </message>
    <message>
        <source>time %1 has no turn in [DATA]; ignored</source>
        <translation>タイミング %1 に対応する [DATA] のターンがありません。無視します</translation>
    </message>
    <message>
        <source>turn %1 has %2 darts but %3 times; a dart without a time gets 0</source>
        <translation>%1 はダーツ %2 本に対してタイミングが %3 個です。タイミングのないダーツは 0 になります</translation>
    </message>
    <message>
        <source>turn %1 has %2 darts but %3 times; the extra times are ignored</source>
        <translation>%1 はダーツ %2 本に対してタイミングが %3 個です。余分なタイミングは無視します</translation>
    </message>
    <message>
        <source>time %3 of dart %2 in %1 is earlier than the %4 before it; the video ends at %4 ms and every later time counts as 0</source>
        <translation>%1 の %2 投目のタイミング %3 が直前の %4 より前です。動画は %4 ms で終わり、以降のタイミングはすべて 0 になります</translation>
    </message>
    <message>
        <source>dart %2 of %1 comes %3 after the dart before it; the video shows the board that long</source>
        <translation>%1 の %2 投目は直前のダーツから %3 後です。動画はその間ボードを表示し続けます</translation>
    </message>
    <message>
        <source>section [%1] appears again (first on line %2); this block is ignored</source>
        <translation>セクション [%1] が再び現れました（最初は %2 行目）。このブロックは無視します</translation>
    </message>
    <message>
        <source>%1 appears again in [%2] (first on line %3); ignored</source>
        <translation>%1 が [%2] に再び現れました（最初は %3 行目）。無視します</translation>
    </message>
    <message>
        <source>value of %1 is %2 bytes long; only the first %3 are read</source>
        <translation>%1 の値は %2 バイトあります。最初の %3 バイトだけを読みます</translation>
    </message>
    <message>
        <source>text before the first section; ignored</source>
        <translation>最初のセクションより前のテキストです。無視します</translation>
    </message>
    <message>
        <source>line has no &apos;=&apos;; ignored</source>
        <translation>'=' のない行です。無視します</translation>
    </message>
    <message>
        <source>line has nothing before &apos;=&apos;; ignored</source>
        <translation>'=' の前に何もない行です。無視します</translation>
    </message>
    <message>
        <source>%1 &quot;%2&quot; is not %3; read as %4</source>
        <translation>%1 の値「%2」は %3 ではありません。%4 として読みます</translation>
    </message>
    <message>
        <source>%1 is %2 characters long; shown cut to %3</source>
        <translation>%1 は %2 文字あります。先頭の %3 文字だけを表示します</translation>
    </message>
    <message>
        <source>[%1] has no first visit R01-1 or R01-2; the leg is not played</source>
        <translation>[%1] に最初のターン R01-1 または R01-2 がありません。このレグは使われません</translation>
    </message>
    <message>
        <source>turn %1 comes after player %2 won the leg in %3; ignored</source>
        <translation>ターン %1 はプレイヤー%2 が %3 でレグを取った後です。無視します</translation>
    </message>
    <message>
        <source>dart %2 of %1 comes after the leg was won; ignored</source>
        <translation>%1 の %2 投目はレグが決まった後です。無視します</translation>
    </message>
    <message>
        <source>[%1] comes after player %2 won the match; the leg is not shown</source>
        <translation>[%1] はプレイヤー%2 がマッチを取った後です。このレグは表示しません</translation>
    </message>
    <message>
        <source>leg %1 ends without a winner, but leg %2 follows</source>
        <translation>レグ %1 は勝者なしで終わっていますが、レグ %2 が続いています</translation>
    </message>
    <message>
        <source>&quot;%1&quot; in %2 reaches zero, but a %3 out cannot finish on it; the turn busts</source>
        <translation>%2 の「%1」で 0 になりますが、%3 アウトではこのダーツで上がれません。バーストになります</translation>
    </message>
    <message>
        <source>leg %1 starts at %2 ms, before the %3 ms of the leg before it; the video ends at %3 ms and every later time counts as 0</source>
        <translation>レグ %1 の開始 %2 ms が前のレグの %3 ms より前です。動画は %3 ms で終わり、以降のタイミングはすべて 0 になります</translation>
    </message>
    <message>
        <source>every time after the first dart is 0 (%1 darts); the times were not recorded or were lost, and the video shows the last board from its start</source>
        <translation>最初のダーツ以降のタイミングがすべて 0 です（%1 本）。記録されなかったか失われています。動画は最初から最後の盤面を表示します</translation>
    </message>
    <message>
        <source>%1 in [%2] is never read; a leg takes GAME, P1-SCORE, P2-SCORE, P1-MARK, P2-MARK and FIRST</source>
        <translation>[%2] の %1 は読まれません。レグごとに指定できるのは GAME、P1-SCORE、P2-SCORE、P1-MARK、P2-MARK、FIRST です</translation>
    </message>
    <message>
        <source>cannot be created: %1</source>
        <translation>作成できません: %1</translation>
    </message>
    <message>
        <source>cannot be written: %1</source>
        <translation>書き込めません: %1</translation>
    </message>
    <message>
        <source>no video of that size or rate can be made</source>
        <translation>その大きさまたはフレームレートの動画は作れません</translation>
    </message>
    <message>
        <source>Video 1 needs a width and height that are multiples of 4</source>
        <translation>Video 1 の幅と高さは 4 の倍数でなければなりません</translation>
    </message>
    <message>
        <source>cannot be written</source>
        <translation>書き込めません</translation>
    </message>
    <message>
        <source>the video is too long for one AVI file</source>
        <translation>動画が長すぎて 1 つの AVI ファイルに収まりません</translation>
    </message>
    <message>
        <source>could not be completed</source>
        <translation>完成させられませんでした</translation>
    </message>
    <message>
        <source>could not be closed</source>
        <translation>閉じられませんでした</translation>
    </message>
    <message>
        <source>was removed while it was being written</source>
        <translation>書き込み中に削除されました</translation>
    </message>
    <message>
        <source>this FFmpeg has no %1 encoder (%2)</source>
        <translation>この FFmpeg には %1 のエンコーダー（%2）がありません</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>メモリが足りません</translation>
    </message>
    <message>
        <source>cannot start the %1 encoder: %2</source>
        <translation>%1 のエンコーダーを開始できません: %2</translation>
    </message>
    <message>
        <source>%1 encoding failed: %2</source>
        <translation>%1 のエンコードに失敗しました: %2</translation>
    </message>
    <message>
        <source>unusable video size %1 x %2</source>
        <translation>使えない動画サイズです: %1 x %2</translation>
    </message>
    <message>
        <source>unusable frame rate %1/%2</source>
        <translation>使えないフレームレートです: %1/%2</translation>
    </message>
    <message>
        <source>%1 is written as an AVI, not here</source>
        <translation>%1 は AVI として書き出します（ここでは書けません）</translation>
    </message>
    <message>
        <source>%1 cannot keep transparency; use ProRes (.mov), VP9 (.webm), FFV1 (.mkv) or PNG</source>
        <translation>%1 は透過を保てません。ProRes（.mov）、VP9（.webm）、FFV1（.mkv）または PNG を使ってください</translation>
    </message>
    <message>
        <source>H.264 needs an even width and height, not %1 x %2</source>
        <translation>H.264 の幅と高さは偶数でなければなりません（%1 x %2 は使えません）</translation>
    </message>
    <message>
        <source>a PNG sequence needs a file name with one frame number, such as frames/%05d.png</source>
        <translation>PNG の連番には、frames/%05d.png のようにフレーム番号を 1 つ含むファイル名が必要です</translation>
    </message>
    <message>
        <source>unknown kind of video file (use .mp4, .mov, .webm, .mkv or a numbered .png name)</source>
        <translation>動画ファイルの種類がわかりません（.mp4、.mov、.webm、.mkv または番号付きの .png の名前を使ってください）</translation>
    </message>
    <message>
        <source>%1 cannot be stored in a %2 file</source>
        <translation>%1 は %2 ファイルに格納できません</translation>
    </message>
    <message>
        <source>the video is already finished</source>
        <translation>動画はすでに完成しています</translation>
    </message>
    <message>
        <source>a %1 x %2 picture for a %3 x %4 video</source>
        <translation>%3 x %4 の動画に %1 x %2 の画像が渡されました</translation>
    </message>
    <message>
        <source>a picture sequence needs a frame number in its name, such as %1</source>
        <translation>連番画像の名前にはフレーム番号が必要です（例: %1）</translation>
    </message>
    <message>
        <source>the frame number cannot be read: write it as %d or %05d, and a % sign itself as %%</source>
        <translation>フレーム番号を読み取れません。%d または %05d と書き、% 記号そのものは %% と書いてください</translation>
    </message>
    <message>
        <source>has more than one frame number; a picture sequence has one, such as %05d</source>
        <translation>フレーム番号が 2 つ以上あります。連番画像のフレーム番号は %05d のように 1 つだけです</translation>
    </message>
    <message>
        <source>the frame number is wider than 18 digits</source>
        <translation>フレーム番号が 18 桁を超えています</translation>
    </message>
    <message>
        <source>the frame number must be in the file name, not in its folder</source>
        <translation>フレーム番号はフォルダーではなくファイル名に入れてください</translation>
    </message>
    <message>
        <source>numbered pictures are written as PNG: the name must end in .png</source>
        <translation>番号付きの画像は PNG で書き出します。名前は .png で終わらなければなりません</translation>
    </message>
    <message>
        <source>the picture names would be too long for a file name</source>
        <translation>画像の名前がファイル名として長すぎます</translation>
    </message>
    <message>
        <source>%1 cannot be stored in numbered .png pictures</source>
        <translation>%1 は番号付きの .png 画像に格納できません</translation>
    </message>
    <message>
        <source>%1 cannot be stored in a file without an extension (use %2)</source>
        <translation>%1 は拡張子のないファイルに格納できません（%2 を使ってください）</translation>
    </message>
    <message>
        <source>%1 cannot be stored in a %2 file (use %3)</source>
        <translation>%1 は %2 ファイルに格納できません（%3 を使ってください）</translation>
    </message>
    <message>
        <source>no colour conversion to the codec&apos;s pixel format</source>
        <translation>コーデックの画素形式への色変換がありません</translation>
    </message>
    <message>
        <source>the ProRes encoder gave a frame of an unexpected layout</source>
        <translation>ProRes エンコーダーが予期しない構成のフレームを返しました</translation>
    </message>
    <message>
        <source>is not a regular file (a device, FIFO or socket); videos are written only into regular files</source>
        <translation>通常のファイルではありません（デバイス、FIFO またはソケット）。動画は通常のファイルにだけ書き込みます</translation>
    </message>
    <message>
        <source>is the score file %1 (a video would replace it)</source>
        <translation>スコアファイル %1 です（動画で上書きされてしまいます）</translation>
    </message>
    <message>
        <source>is the footage %1 (a video would replace it)</source>
        <translation>映像 %1 です（動画で上書きされてしまいます）</translation>
    </message>
    <message>
        <source>no file name for the video</source>
        <translation>動画のファイル名がありません</translation>
    </message>
    <message>
        <source>the pictures of %1 are as they were</source>
        <translation>%1 の画像は元のままです</translation>
    </message>
    <message>
        <source>%1 is as it was</source>
        <translation>%1 は元のままです</translation>
    </message>
    <message>
        <source>%1 is as it was, and the %2 frames written are kept in %3</source>
        <translation>%1 は元のままです。書き込んだ %2 フレームは %3 に残しました</translation>
    </message>
    <message>
        <source>the picture scale is out of range</source>
        <translation>表示倍率が範囲外です</translation>
    </message>
    <message>
        <source>the frame rate %1 is not from %2 to %3 frames a second</source>
        <translation>フレームレート %1 は毎秒 %2～%3 フレームの範囲外です</translation>
    </message>
    <message>
        <source>the video would run %1 h %2 min; more than 24 hours is refused (are the times in the score file right?)</source>
        <translation>動画の長さが %1 時間 %2 分になります。24 時間を超える動画は作りません（スコアファイルの時刻は正しいですか？）</translation>
    </message>
    <message>
        <source>a transparent background needs a format with alpha; %1 has none</source>
        <translation>透明な背景にはアルファのある形式が必要です。%1 にはアルファがありません</translation>
    </message>
    <message>
        <source>the uncompressed video needs %1 MiB, but its file system has %2 MiB free</source>
        <translation>非圧縮の動画には %1 MiB 必要ですが、空きは %2 MiB です</translation>
    </message>
    <message>
        <source>the board does not fit into a %1x%2 video at that scale</source>
        <translation>その倍率ではボードが %1x%2 の動画に収まりません</translation>
    </message>
    <message>
        <source>cannot open the footage: %1</source>
        <translation>映像を開けません: %1</translation>
    </message>
    <message>
        <source>is not a video file but %1 (%2); footage is read only from video files, never through playlists, lists of files or picture patterns that name other files</source>
        <translation>動画ファイルではなく %1（%2）です。映像は動画ファイルからだけ読み込みます。プレイリスト、ファイルの一覧、ほかのファイルを指す画像パターンは読みません</translation>
    </message>
    <message>
        <source>is a folder; footage is read only from video files</source>
        <translation>フォルダーです。映像は動画ファイルからだけ読み込みます</translation>
    </message>
    <message>
        <source>is not a regular file (a device, FIFO or socket); footage is read only from video files</source>
        <translation>通常のファイルではありません（デバイス、FIFO またはソケット）。映像は動画ファイルからだけ読み込みます</translation>
    </message>
    <message>
        <source>cannot read the footage: %1</source>
        <translation>映像を読み込めません: %1</translation>
    </message>
    <message>
        <source>the footage has no video stream</source>
        <translation>映像に動画ストリームがありません</translation>
    </message>
    <message>
        <source>no decoder for the footage&apos;s video (%1)</source>
        <translation>映像の動画をデコードするデコーダーがありません（%1）</translation>
    </message>
    <message>
        <source>cannot decode the footage&apos;s video: %1</source>
        <translation>映像の動画をデコードできません: %1</translation>
    </message>
    <message>
        <source>cannot seek in the footage: %1</source>
        <translation>映像をシークできません: %1</translation>
    </message>
    <message>
        <source>no decoder for the sound (%1)</source>
        <translation>音声のデコーダーがありません（%1）</translation>
    </message>
    <message>
        <source>cannot decode the sound: %1</source>
        <translation>音声をデコードできません: %1</translation>
    </message>
    <message>
        <source>is an input of the clips (the footage or a clip), which is never written over</source>
        <translation>クリップの入力（映像またはクリップ）です。入力は上書きしません</translation>
    </message>
    <message>
        <source>cannot tell the kind of video file to write from the name</source>
        <translation>名前から書き出す動画ファイルの種類がわかりません</translation>
    </message>
    <message>
        <source>cannot encode the clip: %1</source>
        <translation>クリップをエンコードできません: %1</translation>
    </message>
    <message>
        <source>the clip is empty</source>
        <translation>クリップが空です</translation>
    </message>
    <message>
        <source>the footage ends before the clip starts</source>
        <translation>クリップの開始より前に映像が終わっています</translation>
    </message>
    <message>
        <source>no clip to join</source>
        <translation>つなぐクリップがありません</translation>
    </message>
    <message>
        <source>has another picture size than the first clip</source>
        <translation>最初のクリップと画像サイズが違います</translation>
    </message>
    <message>
        <source>is %1 x %2 pixels: H.264 video as players take it (4:2:0) needs an even width and height, so footage of an odd size cannot be burned in; crop or scale it to an even size first</source>
        <translation>%1 x %2 ピクセルです。プレーヤーが再生する H.264（4:2:0）は幅と高さが偶数でなければならないため、奇数サイズの映像には焼き込めません。先に偶数サイズに切り抜くか拡大縮小してください</translation>
    </message>
    <message>
        <source>is %1 x %2 pixels, larger than H.264 video can be (at most %3 pixels a side and the area of 8192 x 4352)</source>
        <translation>%1 x %2 ピクセルで、H.264 の上限（1 辺 %3 ピクセル、面積 8192 x 4352）を超えています</translation>
    </message>
    <message>
        <source>cannot tell the kind of video file to write from the name (use .mp4, .mov or .mkv)</source>
        <translation>名前から書き出す動画ファイルの種類がわかりません（.mp4、.mov または .mkv を使ってください）</translation>
    </message>
    <message>
        <source>names pictures, and the burn-in writes one video file (.mp4, .mov or .mkv)</source>
        <translation>画像の名前です。焼き込みは 1 つの動画ファイル（.mp4、.mov または .mkv）に書き出します</translation>
    </message>
    <message>
        <source>H.264 video cannot be stored in this kind of file (use .mp4, .mov or .mkv)</source>
        <translation>この種類のファイルには H.264 の動画を格納できません（.mp4、.mov または .mkv を使ってください）</translation>
    </message>
    <message>
        <source>the footage&apos;s sound (%1) cannot be stored in this kind of file, nor as AAC (use .mp4, .mov or .mkv)</source>
        <translation>映像の音声（%1）はこの種類のファイルにそのままでも AAC でも格納できません（.mp4、.mov または .mkv を使ってください）</translation>
    </message>
    <message>
        <source>the footage is shown turned by %1 degrees, which this kind of file cannot record (use .mp4 or .mov)</source>
        <translation>映像は %1 度回転して表示されますが、この種類のファイルには回転を記録できません（.mp4 または .mov を使ってください）</translation>
    </message>
    <message>
        <source>cannot start the H.264 encoder (preset %1, crf %2): %3</source>
        <translation>H.264 のエンコーダーを開始できません（プリセット %1、crf %2）: %3</translation>
    </message>
    <message>
        <source>the H.264 encoder did not take its settings</source>
        <translation>H.264 のエンコーダーが設定を受け付けませんでした</translation>
    </message>
    <message>
        <source>cannot convert the footage&apos;s sound (%1) to AAC</source>
        <translation>映像の音声（%1）を AAC に変換できません</translation>
    </message>
    <message>
        <source>cannot convert the footage&apos;s sound: %1</source>
        <translation>映像の音声を変換できません: %1</translation>
    </message>
    <message>
        <source>the footage changes its picture size from %1 x %2 to %3 x %4</source>
        <translation>映像の画像サイズが %1 x %2 から %3 x %4 に変わります</translation>
    </message>
    <message>
        <source>cannot convert the footage&apos;s pictures (%1)</source>
        <translation>映像の画像（%1）を変換できません</translation>
    </message>
    <message>
        <source>stops decoding at %1 of its %2, after %3 frames</source>
        <translation>%2 のうち %1 の時点、%3 フレームの後でデコードできなくなりました</translation>
    </message>
    <message>
        <source>the board came back at a size other than the one announced</source>
        <translation>ボードが予告と違う大きさで返されました</translation>
    </message>
    <message>
        <source>has no picture that could be decoded</source>
        <translation>デコードできる画像がありません</translation>
    </message>
    <message>
        <source>stops decoding at %1 of its %2, after %3 frames (cut off or damaged)</source>
        <translation>%2 のうち %1 の時点、%3 フレームの後でデコードできなくなりました（途中で切れているか壊れています）</translation>
    </message>
    <message>
        <source>the first %1 frames (to %2) are in %3, and %4 is as it was</source>
        <translation>最初の %1 フレーム（%2 まで）は %3 にあります。%4 は元のままです</translation>
    </message>
    <message>
        <source>the %1 encoder held a picture back</source>
        <translation>%1 のエンコーダーが画像を出しませんでした</translation>
    </message>
    <message>
        <source>a recording or playback is running; videos are made only while nothing else runs, and nothing was written</source>
        <translation>記録または再生の最中です。動画はほかに何も動いていないときだけ作ります。何も書き込んでいません</translation>
    </message>
    <message>
        <source>is neither a theme (broadcast, light, classic) nor a readable theme file</source>
        <translation>テーマ（broadcast、light、classic）でも、読み込めるテーマファイルでもありません</translation>
    </message>
    <message>
        <source>line %1: &quot;%2&quot; is no theme setting</source>
        <translation>%1行目: "%2" はテーマの設定ではありません</translation>
    </message>
    <message>
        <source>the built-in themes are missing from the program</source>
        <translation>プログラムに組み込みのテーマがありません</translation>
    </message>
</context>
<context>
    <name>EventText</name>
    <message>
        <source>Leg %1</source>
        <translation>レグ %1</translation>
    </message>
    <message>
        <source>Set %1, leg %2</source>
        <translation>セット %1、レグ %2</translation>
    </message>
    <message>
        <source>Leg %1 to %2 %3-%4</source>
        <translation>レグ %1 は %2（%3-%4）</translation>
    </message>
    <message>
        <source>Leg %1 to %2 %3-%4, %5 checkout</source>
        <translation>レグ %1 は %2（%3-%4）、%5 でフィニッシュ</translation>
    </message>
    <message>
        <source>Set %1 to %2 %3-%4</source>
        <translation>セット %1 は %2（%3-%4）</translation>
    </message>
    <message>
        <source>Match to %1 %2-%3</source>
        <translation>試合は %1 の勝ち（%2-%3）</translation>
    </message>
    <message>
        <source>%1 — %2</source>
        <translation>%1 — %2</translation>
    </message>
    <message>
        <source>%1 checkout — %2</source>
        <translation>%1 フィニッシュ — %2</translation>
    </message>
    <message>
        <source>Bust — %1 on %2</source>
        <translation>バースト — %1（残り %2）</translation>
    </message>
    <message>
        <source>%1 marks — %2</source>
        <translation>%1 マーク — %2</translation>
    </message>
</context>
<context>
    <name>DartTimeline</name>
    <message>
        <location filename="../../app/DartTimeline.cpp" line="19"/>
        <source>A mark for every dart, a tall one where a leg starts; click a mark to go to its dart</source>
        <translation>ダーツごとに印、レグの始まりには長い印があります。印をクリックするとそのダーツへ移動します</translation>
    </message>
</context>
<context>
    <name>NewMatchDialog</name>
    <message>
        <location filename="../../app/NewMatchDialog.cpp" line="17"/>
        <source>New match</source>
        <translation>新しいマッチ</translation>
    </message>
    <message>
        <location filename="../../app/NewMatchDialog.cpp" line="19"/>
        <source>Save the new match as</source>
        <translation>新しいマッチの保存先</translation>
    </message>
    <message>
        <location filename="../../app/NewMatchDialog.cpp" line="20"/>
        <source>Text files (*.txt)</source>
        <translation>テキストファイル (*.txt)</translation>
    </message>
    <message>
        <location filename="../../app/NewMatchDialog.cpp" line="29"/>
        <source>Player %1</source>
        <translation>プレイヤー%1</translation>
    </message>
    <message>
        <location filename="../../app/NewMatchDialog.cpp" line="35"/>
        <source>no sets</source>
        <translation>セットなし</translation>
    </message>
    <message>
        <location filename="../../app/NewMatchDialog.cpp" line="37"/>
        <location filename="../../app/NewMatchDialog.cpp" line="48"/>
        <source>Player 1</source>
        <translation>プレイヤー1</translation>
    </message>
    <message>
        <location filename="../../app/NewMatchDialog.cpp" line="37"/>
        <location filename="../../app/NewMatchDialog.cpp" line="49"/>
        <source>Player 2</source>
        <translation>プレイヤー2</translation>
    </message>
    <message>
        <location filename="../../app/NewMatchDialog.cpp" line="39"/>
        <source>Open out (any dart)</source>
        <translation>オープンアウト（どのダーツでも可）</translation>
    </message>
    <message>
        <location filename="../../app/NewMatchDialog.cpp" line="39"/>
        <source>Double out</source>
        <translation>ダブルアウト</translation>
    </message>
    <message>
        <location filename="../../app/NewMatchDialog.cpp" line="39"/>
        <source>Master out</source>
        <translation>マスターアウト</translation>
    </message>
    <message>
        <location filename="../../app/NewMatchDialog.cpp" line="40"/>
        <source>The outer bull scores 25 (01 games)</source>
        <translation>アウターブルは25点（01ゲーム）</translation>
    </message>
    <message>
        <location filename="../../app/NewMatchDialog.cpp" line="42"/>
        <source>(asked when you create it)</source>
        <translation>（作成時に指定します）</translation>
    </message>
    <message>
        <location filename="../../app/NewMatchDialog.cpp" line="47"/>
        <source>Game</source>
        <translation>ゲーム</translation>
    </message>
    <message>
        <location filename="../../app/NewMatchDialog.cpp" line="50"/>
        <source>First to legs</source>
        <translation>先取レグ数</translation>
    </message>
    <message>
        <location filename="../../app/NewMatchDialog.cpp" line="51"/>
        <source>First to sets</source>
        <translation>先取セット数</translation>
    </message>
    <message>
        <location filename="../../app/NewMatchDialog.cpp" line="52"/>
        <source>Throws first</source>
        <translation>先攻</translation>
    </message>
    <message>
        <location filename="../../app/NewMatchDialog.cpp" line="53"/>
        <source>Finish</source>
        <translation>上がり方</translation>
    </message>
    <message>
        <location filename="../../app/NewMatchDialog.cpp" line="55"/>
        <source>File</source>
        <translation>ファイル</translation>
    </message>
    <message>
        <location filename="../../app/NewMatchDialog.cpp" line="58"/>
        <source>Create</source>
        <translation>作成</translation>
    </message>
</context>
<context>
    <name>ScoreSheetView</name>
    <message>
        <location filename="../../app/ScoreSheetView.cpp" line="25"/>
        <source>Leg / visit</source>
        <translation>レグ／ターン</translation>
    </message>
    <message>
        <location filename="../../app/ScoreSheetView.cpp" line="25"/>
        <location filename="../../app/ScoreSheetView.cpp" line="31"/>
        <source>Dart</source>
        <translation>ダーツ</translation>
    </message>
    <message>
        <location filename="../../app/ScoreSheetView.cpp" line="25"/>
        <source>Time</source>
        <translation>時刻</translation>
    </message>
    <message>
        <location filename="../../app/ScoreSheetView.cpp" line="31"/>
        <source>Token (T20, D16, 19, SB, DB, 0):</source>
        <translation>入力（T20、D16、19、SB、DB、0）：</translation>
    </message>
    <message>
        <location filename="../../app/ScoreSheetView.cpp" line="44"/>
        <source>Edit dart...</source>
        <translation>ダーツを修正...</translation>
    </message>
    <message>
        <location filename="../../app/ScoreSheetView.cpp" line="45"/>
        <source>Re-time to the frame on screen</source>
        <translation>表示中のフレームの時刻にする</translation>
    </message>
    <message>
        <location filename="../../app/ScoreSheetView.cpp" line="48"/>
        <source>Delete dart</source>
        <translation>ダーツを削除</translation>
    </message>
    <message>
        <location filename="../../app/ScoreSheetView.cpp" line="49"/>
        <source>Insert dart before...</source>
        <translation>前にダーツを挿入...</translation>
    </message>
    <message>
        <location filename="../../app/ScoreSheetView.cpp" line="117"/>
        <source>Player %1</source>
        <translation>プレイヤー%1</translation>
    </message>
    <message>
        <location filename="../../app/ScoreSheetView.cpp" line="122"/>
        <source>Set %1, leg %2</source>
        <translation>セット%1　レグ%2</translation>
    </message>
    <message>
        <location filename="../../app/ScoreSheetView.cpp" line="123"/>
        <source>Leg %1</source>
        <translation>レグ%1</translation>
    </message>
    <message>
        <location filename="../../app/ScoreSheetView.cpp" line="125"/>
        <source>won by %1</source>
        <translation>%1 の勝ち</translation>
    </message>
    <message>
        <location filename="../../app/ScoreSheetView.cpp" line="131"/>
        <source>R%1 %2</source>
        <translation>R%1 %2</translation>
    </message>
    <message>
        <location filename="../../app/ScoreSheetView.cpp" line="133"/>
        <source>bust</source>
        <translation>バースト</translation>
    </message>
    <message>
        <location filename="../../app/ScoreSheetView.cpp" line="140"/>
        <source>dart %1</source>
        <translation>%1 投目</translation>
    </message>
</context>
<context>
    <name>ScoringPad</name>
    <message>
        <location filename="../../app/ScoringPad.cpp" line="241"/>
        <source>T20, D16, 19, SB, DB, 0 then Enter</source>
        <translation>T20、D16、19、SB、DB、0 を入力して Enter</translation>
    </message>
    <message>
        <location filename="../../app/ScoringPad.cpp" line="245"/>
        <source>Single keys (in the empty field):</source>
        <translation>1キー入力（入力欄が空のとき）：</translation>
    </message>
    <message>
        <location filename="../../app/ScoringPad.cpp" line="248"/>
        <source>Space</source>
        <translation>Space</translation>
    </message>
</context>
<context>
    <name>ScoringPanel</name>
    <message>
        <location filename="../../app/ScoringPanel.cpp" line="43"/>
        <source>New match...</source>
        <translation>新しいマッチ...</translation>
    </message>
    <message>
        <location filename="../../app/ScoringPanel.cpp" line="68"/>
        <source>A new match is being set up already; not opened: %1</source>
        <translation>新しいマッチを設定中のため開きませんでした：%1</translation>
    </message>
    <message>
        <location filename="../../app/ScoringPanel.cpp" line="111"/>
        <source>Saved: %1</source>
        <translation>保存しました：%1</translation>
    </message>
</context>
<context>
    <name>ScoringSession</name>
    <message>
        <location filename="../../app/ScoringSession.cpp" line="10"/>
        <source>Undo</source>
        <translation>元に戻す</translation>
    </message>
    <message>
        <location filename="../../app/ScoringSession.cpp" line="12"/>
        <source>Redo</source>
        <translation>やり直す</translation>
    </message>
    <message>
        <location filename="../../app/ScoringSession.cpp" line="38"/>
        <source>%1 is no match file the pad can go on with.</source>
        <translation>%1 はスコア入力を続けられるマッチファイルではありません。</translation>
    </message>
    <message>
        <location filename="../../app/ScoringSession.cpp" line="117"/>
        <source>The match is decided.</source>
        <translation>マッチは決着しました。</translation>
    </message>
    <message>
        <location filename="../../app/ScoringSession.cpp" line="121"/>
        <source>Player %1</source>
        <translation>プレイヤー%1</translation>
    </message>
    <message>
        <location filename="../../app/ScoringSession.cpp" line="122"/>
        <source>%1, dart %2 (leg %3)</source>
        <translation>%1　%2 投目（レグ%3）</translation>
    </message>
</context>
</TS>
