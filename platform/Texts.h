#pragma once
// Every fixed text the program shows or writes, kept once, in UTF-8.
// Half-width katakana (ﾌｧｲﾙ) is deliberate: it is what the program has always written.

namespace obri::texts {

// The platform's errors; %s is replaced by a file name.
inline constexpr char kCannotOpen[] = "ﾌｧｲﾙ %s は開けません";
inline constexpr char kCannotCreate[] = "ﾌｧｲﾙ %s を作成できません";
inline constexpr char kCannotWrite[] = "%s に書き込めません";
inline constexpr char kBadRegistryType[] = "'%s' のﾃﾞｰﾀ型が不正です";

// Bitmaps. A refused file reads "<file text>（<reason>）"; %s is the file's path.
inline constexpr char kBitmapFileUnreadable[] = "ﾋﾞｯﾄﾏｯﾌﾟ %s は読めません";
inline constexpr char kBitmapDataUnreadable[] = "ﾋﾞｯﾄﾏｯﾌﾟのﾃﾞｰﾀは読めません";
inline constexpr char kBitmapNotBmp[] = "BMP 形式ではありません";
inline constexpr char kBitmapTruncated[] = "ﾃﾞｰﾀが途中で切れています";
inline constexpr char kBitmapBadSize[] = "幅または高さが不正です";
inline constexpr char kBitmapBroken[] = "ﾃﾞｰﾀが壊れています";
inline constexpr char kBitmapUnsupported[] = "この形式には対応していません";
inline constexpr char kBitmapEmbedded[] = "JPEG や PNG を含む BMP には対応していません";
inline constexpr char kBitmapTooLarge[] = "ﾋﾞｯﾄﾏｯﾌﾟが大きすぎます";

inline constexpr char kLaunchToken[] = "MOVAN";
inline constexpr char kAppTitle[] = "OBRI";
// Shown when something other than a std::exception escapes a handler.
inline constexpr char kUnknownError[] = "予期しないエラーが発生しました";
// The About window: the host editor's product name.
inline constexpr char kHostProductName[] = "Scenario Studio QUAV";
inline constexpr char kAddinName[] = "Addin OBRI";

// File-type filter.
inline constexpr char kFilterBitmapOnly[] = "Bitmap(*.BMP)|*.bmp";
inline constexpr char kFilterAllImages[] = "すべての画像File|*.bmp;";
inline constexpr char kFilterAllFiles[] = "|すべてのFile(*.*)|*.*|";

// Make operations.
inline constexpr char kNoFilesSelected[] = "ファイルが選択されていません。";
inline constexpr char kPmsCreated[] = "PMSファイルを作成しました。";
inline constexpr char kSomeNotConverted[] = "次のファイルは変換できませんでした。";
inline constexpr char kNoPmsYet[] = "PMSファイルが作成されていません。";
inline constexpr char kAldCreated[] = "ALDファイルを作成しました。";
inline constexpr char kAldFailed[] = "ALDファイルを作成できませんでした。";
inline constexpr char kLinkNumberTitle[] = "CGリンク番号";

// Why a row of a batch was not converted (one line each after kSomeNotConverted).
inline constexpr char kReasonBadName[] = "ファイル名が不正です";
inline constexpr char kReasonNotDecoded[] = "画像を読み込めません";
inline constexpr char kReasonConverterNotStarted[] = "変換プログラムを起動できません";
inline constexpr char kReasonConverterFailed[] = "変換プログラムがエラーで終了しました";
inline constexpr char kReasonNoPmsMade[] = "PMSファイルができませんでした";
inline constexpr char kReasonPmsExists[] = "同名のPMSファイルが既にあります";
inline constexpr char kReasonNotMoved[] = "PMSファイルを移動できません";

// History.
inline constexpr char kHistoryConverted[] = " 下記ﾌｧｲﾙを変換しました。";
inline constexpr char kHistoryCreated[] = " 下記を作成しました。";

// Plug-in host. The first %s is the plug-in's path, the second the file's.
inline constexpr char kPluginThrew[] = "ﾌﾟﾗｸﾞｲﾝ %s が ﾌｧｲﾙ %s の読み込み中に例外を起こしました";
// Debug output for a plug-in file beyond the table's 1000 slots; %s is its path.
inline constexpr char kPluginTableFull[] = "plug-in table full, not loaded: %s";

}  // namespace obri::texts
