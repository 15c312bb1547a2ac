// Every text setup.exe traces, each once. The program sends them from here, and the
// scripts that read its traces (demo/summary.sh) take them from here too: keep one
// "const char kTrace...[] = "...";" a line. Texts with % take printf arguments.
#pragma once

// Start-up, the progress window and the CD-ROM.
const char kTraceAlreadyRunning[] = "autorun already exits!\n";
const char kTraceCdOpenFailed[] = "Open CD CreateFile Failed\n";
const char kTraceShowMessage[] = "收到自定义的SHOW消息\n";
const char kTraceHideMessage[] = "收到自定义的HIDE消息\n";
const char kTraceCdRoot[] = "CDROM OBJECT: %s \n";
const char kTraceEjectNow[] = "Eject CD right now\n";
const char kTraceDelayEject[] = "Delay Eject CD\n";
const char kTraceEjectMedia[] = "弹出光盘\n";

// The installation sequence.
const char kTraceException[] = "Run内部出现异常:\n";
const char kTraceReadingSetupFile[] = "开始读取置文件\n";
const char kTraceNoSetupFile[] = "光盘已经被过滤驱动弹出。\n";
const char kTraceLoadFailed[] = "配置文件读取失败,安装程序退出\n";
const char kTraceLoaded[] = "配置文件读取成功\n";
const char kTracePreinstall[] = "执行前置程序\n";
const char kTraceCopyingDriver[] = "开始复制驱动\n";
const char kTraceInstallingDriver[] = "开始驱动安装流程\n";
const char kTraceDriverNotRun[] = "驱动安装模块执行失败\n";
const char kTraceDriverUnusable[] = "驱动模块返回不可使用:%d\n";
const char kTraceDriverUsable[] = "驱动可正常使用\n";
const char kTraceApplicationStep[] = "开始应用安装流程\n";
const char kTraceNoApplication[] = "不需要安装应用\n";
const char kTraceInstallingApplication[] = "开始安装应用\n";
const char kTraceApplicationCopyFailedChinese[] = "安装应用软件失败\n";
const char kTraceApplicationCopyFailedOther[] = "Installing applications failed\n";
const char kTraceEnding[] = "开始退出流程\n";
const char kTraceNoInstalledApplication[] = "没有找到可运行的应用\n";
const char kTraceApplicationNotStarted[] = "应用%s未启动:无法取得登录用户的令牌,错误号:%d\n";

// The update decision.
const char kTraceCardVersion[] = "数据卡上的应用版本为：%s\n";
const char kTraceInstalledVersion[] = "本机安装的应用版本为：%s\n";
const char kTraceVersionSizes[] = "大小%d,%d\n";
const char kTraceUpdateNeeded[] = "本机应用版本较老，需要更新\n";
const char kTraceUpToDate[] = "本机应用版本较新，不需要更新\n";

// Programs started and packages copied.
const char kTraceRunStart[] = "开始运行:%s\n";
const char kTraceRunEmpty[] = "执行命令行为空";
const char kTraceRunNotCreated[] = "运行%s失败,错误号:%d\n";
const char kTraceRunEnded[] = "运行%s WAIT得到WAIT_OBJECT_0,返回码: %d \n";
const char kTraceRunAbandoned[] = "运行%s WAIT得到WAIT_ABANDONED\n";
const char kTraceRunTimedOut[] = "运行%s WAIT得到WAIT_TIMEOUT\n";
const char kTraceRunWaitFailed[] = "运行%s WAIT\n";
const char kTraceCopyStart[] = "从目录:%s 向目录:%s 复制文件开始\n";
const char kTraceCopyEnd[] = "从目录:%s 向目录:%s 复制文件结束: %d \n";
const char kTraceStagingFailed[] = "无法建立安装用的临时目录%s,错误号:%d\n";
