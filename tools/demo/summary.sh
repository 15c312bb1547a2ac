#!/bin/bash
# What a setup run did, read from its traces as tracecap --utf8 --time writes them: the
# programs it started in order, what each was for and how it ended, the package copies,
# the update decision and what became of it, and what happened to the CD-ROM.
#   bash tools/demo/summary.sh TRACE_FILE EXIT
# EXIT is setup.exe's exit code, or "timeout SECONDS" when the run was ended at its limit.
set -uo pipefail
trace=$1
shift
ended="$*"

awk -v ended="$ended" -v card_prefix="数据卡上的应用版本为：" -v pc_prefix="本机安装的应用版本为：" '
function program_end(text,    k, rest) {
    for (k = count; k >= 1; k--) {
        if (how[k] != "" || index(text, "运行" command[k]) != 1)
            continue
        rest = substr(text, length("运行" command[k]) + 1)
        if (rest ~ /^ WAIT得到WAIT_OBJECT_0,返回码: /) {
            code[k] = rest
            sub(/^ WAIT得到WAIT_OBJECT_0,返回码: /, "", code[k])
            sub(/ *$/, "", code[k])
            how[k] = "ran to its end, exit code " code[k]
        } else if (rest ~ /^ WAIT得到WAIT_TIMEOUT/) {
            how[k] = "started and left running, as setup.exe does with it"
        } else if (rest ~ /^失败,错误号:/) {
            sub(/^失败,错误号:/, "", rest)
            how[k] = "could not be started, error " rest
            failed[k] = 1
        } else {
            how[k] = "its wait failed (" rest ")"
            failed[k] = 1
        }
        return 1
    }
    return 0
}
{
    line = $0
    sub(/\r$/, "", line)
    if (!sub(/^ *[0-9]+ ms  /, "", line))
        next
    last = line
    if (line == "执行前置程序") role = "pre-install program"
    else if (line == "开始复制驱动") copying = "driver"
    else if (line == "开始驱动安装流程") role = "driver installer"
    else if (line == "开始安装应用") role = "application installer"
    else if (line == "开始退出流程") role = "installed application, started at the end"
    else if (line == "光盘已经被过滤驱动弹出。") stop = "setup.ini: not found beside setup.exe; nothing was done"
    else if (line == "配置文件读取失败,安装程序退出") stop = "setup.ini: setup.exe could not load it (a required key is missing or a path does not fit); nothing was done"
    else if (line == "autorun already exits!") stop = "another setup.exe was running; this one did nothing"
    else if (line == "驱动安装模块执行失败") driver = "failed: its installer could not be run to its end; the application was not considered"
    else if (line ~ /^驱动模块返回不可使用:/) { driver = line; sub(/^驱动模块返回不可使用:/, "", driver); driver = "failed: its installer ended with exit code " driver "; the application was not considered" }
    else if (line == "驱动可正常使用") driver = "installed (its installer ended with exit code 0)"
    else if (index(line, card_prefix) == 1) card = substr(line, length(card_prefix) + 1)
    else if (index(line, pc_prefix) == 1) pc = substr(line, length(pc_prefix) + 1)
    else if (line == "本机应用版本较老，需要更新") { decision = "needed"; copying = "application" }
    else if (line == "本机应用版本较新，不需要更新") decision = "up to date"
    else if (line == "不需要安装应用") decision = "none"
    else if (line == "安装应用软件失败" || line == "Installing applications failed") app_copy_failed = 1
    else if (line == "没有找到可运行的应用") no_app_found = 1
    else if (line ~ /^从目录:.* 复制文件结束: /) {
        result = line
        sub(/^.* 复制文件结束: /, "", result)
        sub(/ *$/, "", result)
        copy[copying] = (result == "1") ? "copied" : "copy failed (result " result ")"
    } else if (line ~ /^开始运行:/) {
        count++
        command[count] = substr(line, length("开始运行:") + 1)
        what[count] = role
        if (role == "application installer" && installer_runs++ > 0)
            what[count] = "application installer, second run (the first removed the old installation)"
        how[count] = ""
    } else if (line == "执行命令行为空") {
        count++
        command[count] = "(empty)"
        what[count] = role
        how[count] = "not started: the command is empty"
        failed[count] = 1
    } else if (line ~ /^运行/)
        program_end(line)
}
END {
    print "Summary"
    if (ended ~ /^timeout/) {
        split(ended, limit, " ")
        print "  setup.exe did not end within " limit[2] " s and was ended, with every program it had started"
    } else if (ended != "")
        print "  setup.exe ended with exit code " ended
    if (stop != "")
        print "  " stop
    if (copy["driver"] != "")
        print "  driver package: " copy["driver"]
    for (k = 1; k <= count; k++) {
        print "  program: " command[k]
        state = how[k]
        if (state == "")
            state = (ended ~ /^timeout/) ? "still running when the run was ended" : "did not end"
        print "           " what[k] ": " state
        if (what[k] ~ /^application installer/) {
            app_installer = k
        }
    }
    if (driver != "")
        print "  driver: " driver
    versions = "the card carries " (card == "" ? "no version" : card) ", the PC has " (pc == "" ? "none" : pc)
    if (decision == "needed") {
        if (app_copy_failed)
            outcome = "an update was needed, but the copy of the application package failed: nothing was installed"
        else if (copy["application"] == "")
            outcome = "an update was needed; the run ended before the package was copied"
        else if (!app_installer)
            outcome = "an update was needed; the package was copied, but no installer was started"
        else if (failed[app_installer])
            outcome = "an update was needed; the package was copied, but its installer did not run"
        else if (how[app_installer] == "")
            outcome = "an update was needed; its installer had not ended"
        else if (code[app_installer] == "0")
            outcome = "installed: the package was copied and its installer ended with exit code 0"
        else
            outcome = "an update was needed; its installer ended with exit code " code[app_installer] ": see below whether it installed"
        print "  application: " versions "; " outcome
    } else if (decision == "up to date")
        print "  application: " versions "; up to date, not installed again"
    else if (decision == "none")
        print "  application: the card carries none (InstallApp is 0)"
    else
        print "  application: not considered (the run stopped before)"
    if (no_app_found)
        print "  installed application to start: none found in the registry"
    if (ended ~ /^timeout/)
        print "  CD-ROM at exit: no request (the run was ended before its end)"
    else if (last == "弹出光盘")
        print "  CD-ROM at exit: ejected (standard media eject)"
    else if (last == "Delay Eject CD")
        print "  CD-ROM at exit: held back for one more day (delay request of 86400 s)"
    else
        print "  CD-ROM at exit: no request (no CD-ROM device was open)"
}' "$trace"
