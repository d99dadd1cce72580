#!/usr/bin/python3
"""The unpacked Windows zip under Wine, from the outside.

wine_e2e.py ZIP WORKDIR [SCREENSHOT]: WINEPREFIX and DISPLAY name the driver's private
Wine prefix and Xvfb. First the window appears and the entry of schedule.ini survives a
close (Alt+F4); then a due shutdown entry with both options sends its mail to an SMTP
server on loopback, saves the day's log and asks Windows to shut down (Wine ends only its
own session), and the session's end writes both files back byte for byte.
"""

import datetime
import glob
import json
import os
import subprocess
import sys
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
SMTP_SERVER = os.path.join(HERE, "..", "support", "smtp_server.py")
TITLE = "^Tovik$"


def sj(text):
    return text.encode("cp932")


def fail(why):
    print("FAIL: " + why)
    sys.exit(1)


def xdotool(*args, timeout=20):
    r = subprocess.run(["xdotool", *args], capture_output=True, text=True, timeout=timeout, check=False)
    return r.stdout.strip() if r.returncode == 0 else ""


def wait_window(timeout=60):
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = xdotool("search", "--onlyvisible", "--name", TITLE)
        if found:
            return found.split()[0]
        time.sleep(0.5)
    return ""


def wait(predicate, timeout):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if predicate():
            return True
        time.sleep(0.25)
    return predicate()


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def start_tovik(app):
    return subprocess.Popen(["wine", os.path.join(app, "tovik.exe")], cwd=app,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def due_minute():
    now = datetime.datetime.now()
    if now.second >= 40:
        time.sleep(60 - now.second + 0.3)
        now = datetime.datetime.now()
    return now.replace(second=0, microsecond=0)


def main():
    zip_path, work = sys.argv[1], sys.argv[2]
    shot = sys.argv[3] if len(sys.argv) > 3 else ""
    with zipfile.ZipFile(zip_path) as z:
        z.extractall(os.path.join(work, "unpacked"))
    app = glob.glob(os.path.join(work, "unpacked", "*"))[0]
    os.chmod(os.path.join(app, "tovik.exe"), 0o755)

    smtp_folder = os.path.join(work, "smtp")
    os.makedirs(smtp_folder)
    smtp = subprocess.Popen(["/usr/bin/python3", SMTP_SERVER, "serve", "--folder", smtp_folder,
                             "--host", "127.0.0.1"], stdout=subprocess.PIPE)
    try:
        line = smtp.stdout.readline().decode().split()
        if len(line) != 2 or line[0] != "LISTENING":
            fail("the SMTP server did not come up")
        port = int(line[1])
        mail = sj("127.0.0.1:%d\r\nadmin@example.jp\r\ntovik@example.jp\r\n"
                  "シャットダウン通知\r\nまもなく停止します。\r\n.\r\n..以上\r\n" % port)
        schedule_path = os.path.join(app, "schedule.ini")
        mail_path = os.path.join(app, "e-mail.ini")

        # 1. The window appears; its entry survives a close.
        kept = sj("2099/12/31 23:59:00,再起動,\r\n")
        write(schedule_path, kept)
        write(mail_path, mail)
        tovik = start_tovik(app)
        window = wait_window()
        if not window:
            tovik.kill()
            fail("the main window did not appear")
        print("window appeared")
        time.sleep(2)
        if shot:
            subprocess.run(["import", "-window", window, shot], check=False)
            print("screenshot " + shot)
        xdotool("windowfocus", "--sync", window)
        xdotool("key", "--clearmodifiers", "alt+F4")
        try:
            tovik.wait(30)
        except subprocess.TimeoutExpired:
            tovik.kill()
            fail("Alt+F4 did not close the window")
        if read(schedule_path) != kept:
            fail("schedule.ini after the close: %r" % read(schedule_path))
        if read(mail_path) != mail:
            fail("e-mail.ini after the close: %r" % read(mail_path))
        print("entry survived the close")

        # 2. A due shutdown with mail and log.
        minute = due_minute()
        when = minute.strftime("%Y/%m/%d %H:%M:00")
        schedule = sj("2001/01/01 00:00:00,再起動,\r\n" + when + ",シャットダウン,+SENDMAIL+SAVELOG\r\n")
        write(schedule_path, schedule)
        tovik = start_tovik(app)
        log_path = os.path.join(app, "log", minute.strftime("%Y_%m_%d") + ".log")
        if not wait(lambda: glob.glob(os.path.join(smtp_folder, "msg-*.eml")), 40):
            tovik.kill()
            fail("no mail reached the server")
        print("mail received")
        raw = read(sorted(glob.glob(os.path.join(smtp_folder, "msg-*.eml")))[0])
        decoded = json.loads(subprocess.run(["/usr/bin/python3", SMTP_SERVER, "decode"], input=raw,
                                            capture_output=True, check=True).stdout)
        if decoded.get("subject") != "シャットダウン通知" or decoded.get("to") != "admin@example.jp":
            fail("unexpected mail: %r" % decoded)
        # ExitWindowsEx: Wine ends its session, which ends the program.
        try:
            tovik.wait(60)
        except subprocess.TimeoutExpired:
            tovik.kill()
            fail("the program did not end with the session")
        print("session ended, program exited with %d" % tovik.returncode)
        if not os.path.exists(log_path):
            fail("no log " + log_path)
        log = read(log_path).decode("cp932")
        for expected in ("アプリケーションを起動しました", "実行条件が見つかりました。項目番号=2",
                         "メールを正常送信しました"):
            if expected not in log:
                fail("log lacks %s:\n%s" % (expected, log))
        print("log saved")
        if read(schedule_path) != schedule:
            fail("schedule.ini after the session's end: %r" % read(schedule_path))
        if read(mail_path) != mail:
            fail("e-mail.ini after the session's end: %r" % read(mail_path))
        print("both files written back byte for byte")
    finally:
        smtp.terminate()
        smtp.wait(10)
    print("PASS wine e2e")


if __name__ == "__main__":
    main()
