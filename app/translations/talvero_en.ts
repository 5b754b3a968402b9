<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>LanguageMenu</name>
    <message>
        <source>言語 (&amp;Language)</source>
        <extracomment>The menu&apos;s title says &quot;Language&quot; in Japanese mode too, for those who read no Japanese.</extracomment>
        <translation>&amp;Language</translation>
    </message>
    <message>
        <source>日本語</source>
        <translation>Japanese</translation>
    </message>
    <message>
        <source>言語</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>次回の起動から日本語で表示します。</source>
        <extracomment>Shown in the language just chosen: the window shows that language from its next start.</extracomment>
        <translation>Talvero will be in English from its next start.</translation>
    </message>
</context>
<context>
    <name>QtErrorReporter</name>
    <message>
        <source>エラー</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>TSceneViewTab</name>
    <message>
        <source>機体の位置</source>
        <translation>Aircraft</translation>
    </message>
    <message>
        <source>方位 %1° %2</source>
        <translation>Heading %1° %2</translation>
    </message>
</context>
<context>
    <name>TalveroGrid</name>
    <message>
        <source>リストのインデックスが範囲を超えています (%1)</source>
        <translation>List index out of bounds (%1)</translation>
    </message>
    <message>
        <source>広さ（球の半径）</source>
        <translation>Scenery radius</translation>
    </message>
    <message>
        <source>シーンの回転角度</source>
        <translation>Scene rotation</translation>
    </message>
    <message>
        <source>地面の傾き</source>
        <translation>Ground slope</translation>
    </message>
    <message>
        <source>パイロットの視点</source>
        <translation>Pilot&apos;s eye</translation>
    </message>
    <message>
        <source>機体の位置</source>
        <translation>Aircraft position</translation>
    </message>
    <message>
        <source>機体の向き</source>
        <translation>Aircraft heading</translation>
    </message>
    <message>
        <source>光の設定</source>
        <translation>Light</translation>
    </message>
    <message>
        <source>光線の進行方向</source>
        <translation>Light direction</translation>
    </message>
    <message>
        <source>3D光の色</source>
        <translation>Diffuse colour</translation>
    </message>
    <message>
        <source>反射光の色</source>
        <translation>Specular colour</translation>
    </message>
    <message>
        <source>均一光の色</source>
        <translation>Ambient colour</translation>
    </message>
</context>
<context>
    <name>talvero::TForm1</name>
    <message>
        <source>立方体（６面）</source>
        <translation>Cube (6 faces)</translation>
    </message>
    <message>
        <source>球体（２０面）</source>
        <translation>Sphere (20 tiles)</translation>
    </message>
    <message>
        <source>FMSシーンファイル(*.scn)</source>
        <translation>FMS scene files (*.scn)</translation>
    </message>
    <message>
        <source>RCPSimシンファイル(*.xscn)</source>
        <translation>RCPSim scene files (*.xscn)</translation>
    </message>
    <message>
        <source>画像ファイル (*.bmp *.tif *.tiff *.jpg *.jpeg *.png)</source>
        <translation>Panoramas (*.bmp *.tif *.tiff *.jpg *.jpeg *.png)</translation>
    </message>
    <message>
        <source>すべてのファイル (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>出力実行</source>
        <translation>Convert</translation>
    </message>
    <message>
        <source>出力実行(&amp;E)</source>
        <translation>&amp;Convert</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>中止(&amp;A)</source>
        <translation>&amp;Stop</translation>
    </message>
    <message>
        <source>&#x3000;プロジェクト&#x3000;</source>
        <translation>  Project  </translation>
    </message>
    <message>
        <source>&#x3000;画像&#x3000;</source>
        <translation>  Image  </translation>
    </message>
    <message>
        <source>&#x3000;コンソール&#x3000;</source>
        <translation>  Console  </translation>
    </message>
    <message>
        <source>&#x3000;確認&#x3000;</source>
        <translation>  Check  </translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>新規作成(&amp;N)</source>
        <translation>&amp;New</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>読み込み時のデータに戻す</source>
        <translation>Restore the values read from the scene file</translation>
    </message>
    <message>
        <source>初期値に戻す</source>
        <translation>Reset to defaults</translation>
    </message>
    <message>
        <source>プロジェクト(&amp;P)</source>
        <translation>&amp;Project</translation>
    </message>
    <message>
        <source>オプション(&amp;O)</source>
        <translation>&amp;Options</translation>
    </message>
    <message>
        <source>画像ファイルの上書きを確認する</source>
        <translation>Ask before replacing images</translation>
    </message>
    <message>
        <source>シーンファイルの上書きを確認する</source>
        <translation>Ask before replacing the scene file</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>ヘルプファイルの表示(&amp;H)...</source>
        <translation>&amp;How to use...</translation>
    </message>
    <message>
        <source>バージョン情報(&amp;A)...</source>
        <translation>&amp;About...</translation>
    </message>
    <message>
        <source>正距円筒 ( Equirectangular ) パノラマ画像を指定します。</source>
        <translation>Choose an equirectangular panorama (360° × 180°).</translation>
    </message>
    <message>
        <source>画像ファイル名：</source>
        <translation>Panorama:</translation>
    </message>
    <message>
        <source>シーンファイル名：</source>
        <translation>Scene file:</translation>
    </message>
    <message>
        <source>出力画像の基本名：</source>
        <translation>Base name:</translation>
    </message>
    <message>
        <source>&#x3000;シーンタイプ&#x3000;</source>
        <translation> Scene type </translation>
    </message>
    <message>
        <source>&#x3000;命名規則&#x3000;</source>
        <translation> Face names </translation>
    </message>
    <message>
        <source>読込時の値に戻す</source>
        <translation>Restore from file</translation>
    </message>
    <message>
        <source>出力オプション</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>&#x3000;出力画像サイズ&#x3000;</source>
        <translation> Image size </translation>
    </message>
    <message>
        <source>分割画像を出力する</source>
        <translation>Write the images</translation>
    </message>
    <message>
        <source>&#x3000;出力画像タイプ&#x3000;</source>
        <translation> Image type </translation>
    </message>
    <message>
        <source>シーンファイルを出力する</source>
        <translation>Write the scene file</translation>
    </message>
    <message>
        <source>画像を表示する</source>
        <translation>Show panorama</translation>
    </message>
    <message>
        <source>ガイドを表示する</source>
        <translation>Show guide</translation>
    </message>
    <message>
        <source>横幅</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>高さ</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>１００％</source>
        <translation>100%</translation>
    </message>
    <message>
        <source>&#x3000;タイプ&#x3000;</source>
        <translation> Type </translation>
    </message>
    <message>
        <source>出力を中止しました。</source>
        <translation>Conversion stopped.</translation>
    </message>
    <message>
        <source>情報</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>使い方はホームページのドキュメントをご覧下さい。

</source>
        <translation>How to use Talvero is explained on its home page:

</translation>
    </message>
</context>
<context>
    <name>talvero::TForm2</name>
    <message>
        <source>パノラマ写真から背景シーンを作ります</source>
        <translation>Makes background scenery from panoramas</translation>
    </message>
</context>
<context>
    <name>talvero::TForm3</name>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>上書きしますか？</source>
        <translation>Replace this file?</translation>
    </message>
    <message>
        <source>今後このダイアログを表示しない。</source>
        <translation>Don&apos;t ask again.</translation>
    </message>
    <message>
        <source>はい(&amp;Y)</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>いいえ(&amp;N)</source>
        <translation>&amp;No</translation>
    </message>
</context>
<context>
    <name>talvero::TJobStatus</name>
    <message>
        <source>フォルダを開く</source>
        <translation>Open folder</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>%1 個のファイルを %2 に書き出しました（%3 秒）</source>
        <translation>Wrote %1 files to %2 (%3 s)</translation>
    </message>
    <message>
        <source>出力を中止しました（%1 個のファイルを書き出し済み、%2 秒）</source>
        <translation>Conversion stopped (%1 files written, %2 s)</translation>
    </message>
    <message>
        <source>出力に失敗しました（%1 個のファイルを書き出し済み、%2 秒）</source>
        <translation>Conversion failed (%1 files written, %2 s)</translation>
    </message>
</context>
<context>
    <name>talvero::TLevellingPanel</name>
    <message>
        <source>水平補正&#x3000;ピッチ：</source>
        <translation>Levelling  pitch:</translation>
    </message>
    <message>
        <source>ロール：</source>
        <translation>roll:</translation>
    </message>
    <message>
        <source>ファイルから</source>
        <translation>From file</translation>
    </message>
    <message>
        <source>パノラマ画像の XMP に記録されたカメラの姿勢を読み込みます。</source>
        <translation>Takes the camera pose recorded in the panorama&apos;s XMP.</translation>
    </message>
    <message>
        <source>高画質</source>
        <translation>High quality</translation>
    </message>
    <message>
        <source>縮小では各画素が覆う範囲を平均し、拡大はなめらかにします（時間が少し余分にかかります）。</source>
        <translation>Averages what each pixel covers when shrinking and enlarges smoothly (takes a little longer).</translation>
    </message>
    <message>
        <source>読めません：%1</source>
        <translation>Cannot read it: %1</translation>
    </message>
    <message>
        <source>この画像には姿勢の記録がありません。</source>
        <translation>This image records no camera pose.</translation>
    </message>
    <message>
        <source>XMP の姿勢を読み込みました。</source>
        <translation>Camera pose taken from the XMP.</translation>
    </message>
</context>
<context>
    <name>talvero::TPanoramaInfo</name>
    <message>
        <source>画像を読み込んでいます…</source>
        <translation>Loading the panorama…</translation>
    </message>
    <message>
        <source>%1 × %2 ピクセル</source>
        <translation>%1 × %2 pixels</translation>
    </message>
    <message>
        <source>%1&#x3000;%2</source>
        <extracomment>The panorama&apos;s size, then the warning about its shape.</extracomment>
        <translation>%1   %2</translation>
    </message>
    <message>
        <source>横が縦の 2 倍ではありません。出力時に %1 × %2 ピクセルへ引き伸ばすため、景色がゆがみます。</source>
        <translation>Not twice as wide as high: it will be stretched to %1 × %2 pixels, which distorts the scenery.</translation>
    </message>
</context>
<context>
    <name>talvero::TRecentFiles</name>
    <message>
        <source>最近使った画像ファイル(&amp;I)</source>
        <translation>Recent &amp;panoramas</translation>
    </message>
    <message>
        <source>最近使ったシーンファイル(&amp;S)</source>
        <translation>Recent &amp;scene files</translation>
    </message>
</context>
<context>
    <name>talvero::TSceneViewTab</name>
    <message>
        <source>シーンファイルはまだありません。変換を実行するか、シーンファイルを開いてください。</source>
        <translation>No scene file yet. Run a conversion or open a scene file.</translation>
    </message>
    <message>
        <source>シーンファイルを表示できません: %1</source>
        <translation>Cannot show the scene file: %1</translation>
    </message>
    <message>
        <source>%1&#x3000;読み込み中…</source>
        <translation>%1   loading…</translation>
    </message>
    <message>
        <source>%1&#x3000;方位 %2&#x3000;仰角 %3&#x3000;視野 %4</source>
        <extracomment>The scene file, then the direction of view: heading, elevation, field of view.</extracomment>
        <translation>%1   heading %2   elevation %3   field of view %4</translation>
    </message>
    <message>
        <source>表示できない画像（マゼンタの面）: %1</source>
        <extracomment>The images are listed after the colon, separated by the next text.</extracomment>
        <translation>Images that cannot be shown (magenta faces): %1</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <extracomment>An image the scene cannot show, and why.</extracomment>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>地面の格子</source>
        <translation>Ground grid</translation>
    </message>
    <message>
        <source>面の境目</source>
        <translation>Face edges</translation>
    </message>
    <message>
        <source>変換前の景色</source>
        <translation>Before conversion</translation>
    </message>
    <message>
        <source>選んだパノラマ画像を、水平補正と回転角度を加えて、書き出す前に表示します。</source>
        <translation>Shows the chosen panorama with the levelling and the scene rotation applied, before anything is written.</translation>
    </message>
    <message>
        <source>パノラマ画像が選ばれていません。変換前の景色を見るには、プロジェクトのタブで画像ファイルを選んでください。</source>
        <translation>No panorama has been chosen. To see the scenery before conversion, choose an image file on the project tab.</translation>
    </message>
    <message>
        <source>変換前の景色を表示できません: %1</source>
        <translation>Cannot show the scenery before conversion: %1</translation>
    </message>
    <message>
        <source>%1&#x3000;変換前の景色&#x3000;方位 %2&#x3000;仰角 %3&#x3000;視野 %4</source>
        <extracomment>The panorama, then the direction of view: heading, elevation, field of view.</extracomment>
        <translation>%1   before conversion   heading %2   elevation %3   field of view %4</translation>
    </message>
</context>
</TS>
