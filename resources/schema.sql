-- The configuration database as it ships: its tables, the single settings
-- row and the known file-name suffixes. Texts are stored as GBK by the build.
create table ExtendName(
    ExtendID integer primary key autoincrement,
    Name text not null,
    Type integer not null,
    Description text not null default '');

create table ScanConfig(
    FolderID integer primary key autoincrement,
    ifScan integer not null default 1,
    FolderName text not null);

create table SystemSetting(
    UpdateFrequency integer not null,
    LastIndexTime integer not null,
    isFirstRun integer not null,
    SearchAsYouType integer not null default 1,
    LiveIndex integer not null default 1,
    ContentIndex integer not null default 1,
    ContentMaxFileMB integer not null default 100,
    ShowHidden integer not null default 0);

-- Folders and names kept out of the index.
create table ExcludedFolders(FolderName text not null unique);
create table ExcludedNames(Pattern text not null unique);

-- The content index: its folders (none: the user's home folder) and the
-- suffixes left out of it.
create table ContentFolders(FolderName text not null unique);
create table ContentSkippedTypes(Name text not null unique);

create table Log(
    LogID integer primary key autoincrement,
    Time text not null,
    Type integer not null,
    Content text not null);

create table SearchResult(
    ID integer primary key,
    FileName text,
    Folder text,
    Size text,
    Type text,
    CreateTime text);

-- Daily updates; the build time counts as the last index time, so a fresh
-- installation asks for its first index only through the first-run question.
insert into SystemSetting(UpdateFrequency, LastIndexTime, isFirstRun)
    values(1, cast(strftime('%s','now') as integer), 1);

-- Type 1: text files.
insert into ExtendName(Name, Type, Description) values
    ('txt', 1, '文本文档'),
    ('log', 1, '日志文件'),
    ('md', 1, 'Markdown 文档'),
    ('rst', 1, 'reStructuredText 文档'),
    ('csv', 1, '逗号分隔值文件'),
    ('tsv', 1, '制表符分隔值文件'),
    ('json', 1, 'JSON 数据文件'),
    ('xml', 1, 'XML 文档'),
    ('yaml', 1, 'YAML 配置文件'),
    ('yml', 1, 'YAML 配置文件'),
    ('toml', 1, 'TOML 配置文件'),
    ('ini', 1, '配置设置文件'),
    ('conf', 1, '配置文件'),
    ('cfg', 1, '配置文件'),
    ('html', 1, 'HTML 网页'),
    ('htm', 1, 'HTML 网页'),
    ('css', 1, '层叠样式表'),
    ('js', 1, 'JavaScript 脚本'),
    ('ts', 1, 'TypeScript 源文件'),
    ('c', 1, 'C 源文件'),
    ('h', 1, 'C/C++ 头文件'),
    ('cpp', 1, 'C++ 源文件'),
    ('cc', 1, 'C++ 源文件'),
    ('cxx', 1, 'C++ 源文件'),
    ('hpp', 1, 'C++ 头文件'),
    ('py', 1, 'Python 脚本'),
    ('java', 1, 'Java 源文件'),
    ('go', 1, 'Go 源文件'),
    ('rs', 1, 'Rust 源文件'),
    ('sh', 1, 'Shell 脚本'),
    ('pl', 1, 'Perl 脚本'),
    ('rb', 1, 'Ruby 脚本'),
    ('php', 1, 'PHP 脚本'),
    ('sql', 1, 'SQL 脚本'),
    ('tex', 1, 'TeX 文档'),
    ('srt', 1, '字幕文件'),
    ('desktop', 1, '桌面启动项'),
    ('pdf', 1, 'PDF 文档'),
    ('doc', 1, 'Word 文档'),
    ('docx', 1, 'Word 文档'),
    ('xls', 1, 'Excel 工作表'),
    ('xlsx', 1, 'Excel 工作表'),
    ('ppt', 1, 'PowerPoint 演示文稿'),
    ('pptx', 1, 'PowerPoint 演示文稿'),
    ('odt', 1, 'OpenDocument 文本'),
    ('ods', 1, 'OpenDocument 电子表格'),
    ('odp', 1, 'OpenDocument 演示文稿'),
    ('xhtml', 1, 'XHTML 网页'),
    ('xht', 1, 'XHTML 网页'),
    ('dotx', 1, 'Word 模板'),
    ('docm', 1, 'Word 启用宏的文档'),
    ('dotm', 1, 'Word 启用宏的模板'),
    ('xltx', 1, 'Excel 模板'),
    ('xlsm', 1, 'Excel 启用宏的工作表'),
    ('pptm', 1, 'PowerPoint 启用宏的演示文稿'),
    ('potx', 1, 'PowerPoint 模板'),
    ('ott', 1, 'OpenDocument 文本模板'),
    ('ots', 1, 'OpenDocument 电子表格模板'),
    ('otp', 1, 'OpenDocument 演示文稿模板'),
    ('rtf', 1, 'RTF 格式文档'),
    ('epub', 1, '电子书');

-- Type 2: pictures.
insert into ExtendName(Name, Type, Description) values
    ('jpg', 2, 'JPEG 图像'),
    ('jpeg', 2, 'JPEG 图像'),
    ('png', 2, 'PNG 图像'),
    ('gif', 2, 'GIF 图像'),
    ('bmp', 2, '位图图像'),
    ('tif', 2, 'TIFF 图像'),
    ('tiff', 2, 'TIFF 图像'),
    ('webp', 2, 'WebP 图像'),
    ('svg', 2, 'SVG 矢量图'),
    ('ico', 2, '图标文件'),
    ('psd', 2, 'Photoshop 图像'),
    ('xcf', 2, 'GIMP 图像'),
    ('heic', 2, 'HEIC 图像'),
    ('raw', 2, '相机原始图像');

-- Type 3: audio and video.
insert into ExtendName(Name, Type, Description) values
    ('mp3', 3, 'MP3 音频'),
    ('wav', 3, 'WAV 音频'),
    ('flac', 3, 'FLAC 无损音频'),
    ('ogg', 3, 'Ogg 音频'),
    ('aac', 3, 'AAC 音频'),
    ('m4a', 3, 'MPEG-4 音频'),
    ('wma', 3, 'Windows 媒体音频'),
    ('mid', 3, 'MIDI 音乐'),
    ('mp4', 3, 'MP4 视频'),
    ('avi', 3, 'AVI 视频'),
    ('mkv', 3, 'Matroska 视频'),
    ('mov', 3, 'QuickTime 视频'),
    ('wmv', 3, 'Windows 媒体视频'),
    ('flv', 3, 'Flash 视频'),
    ('webm', 3, 'WebM 视频'),
    ('mpg', 3, 'MPEG 视频'),
    ('rmvb', 3, 'RealMedia 视频');

-- Type 4: binary files and archives.
insert into ExtendName(Name, Type, Description) values
    ('exe', 4, '可执行程序'),
    ('dll', 4, '动态链接库'),
    ('so', 4, '共享库'),
    ('a', 4, '静态库'),
    ('o', 4, '目标文件'),
    ('bin', 4, '二进制文件'),
    ('class', 4, 'Java 类文件'),
    ('pyc', 4, 'Python 字节码'),
    ('jar', 4, 'Java 归档'),
    ('deb', 4, 'Debian 软件包'),
    ('rpm', 4, 'RPM 软件包'),
    ('iso', 4, '光盘映像'),
    ('img', 4, '磁盘映像'),
    ('db', 4, '数据库文件'),
    ('sqlite', 4, 'SQLite 数据库'),
    ('zip', 4, 'ZIP 压缩文件'),
    ('7z', 4, '7z 压缩文件'),
    ('rar', 4, 'RAR 压缩文件'),
    ('tar', 4, 'tar 归档文件'),
    ('gz', 4, 'gzip 压缩文件'),
    ('bz2', 4, 'bzip2 压缩文件'),
    ('xz', 4, 'xz 压缩文件'),
    ('zst', 4, 'Zstandard 压缩文件');

-- Type 5: other files.
insert into ExtendName(Name, Type, Description) values
    ('ttf', 5, 'TrueType 字体'),
    ('otf', 5, 'OpenType 字体'),
    ('bak', 5, '备份文件'),
    ('tmp', 5, '临时文件'),
    ('part', 5, '未完成的下载'),
    ('torrent', 5, 'BT 种子文件');
