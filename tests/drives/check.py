"""Judges the drive tier from QEMU's drive-side trace and the guest's marks: one line per drive and
case. Usage: check.py TRACE OUT (OUT holds the guest's drives.txt and journey.json)."""
import json
import os
import re
import sys

EVENT = re.compile(r"^\d+@(\d+)\.(\d+):(\w+) (.*)$")
KINDS = {200: "PIIX IDE", 201: "AHCI", 202: "virtio-scsi"}  # the sector each drive read at boot
PERIOD, SLACK = 2.0, 0.3
FIRST_TICK_WITHIN = 2.5
CDB_LENGTH = 12  # what QuietSpin's execute record declares
TOP, LOW = 0x34, 0x06


def read_trace(path):
    """Marks by name (first time seen) and every command as (time, device, command block)."""
    marks, commands = {}, []
    with open(path, errors="replace") as f:
        for line in f:
            m = EVENT.match(line)
            if not m:
                continue
            t, event, args = int(m[1]) + int(m[2]) / 1e6, m[3], m[4]
            if event == "v9fs_mkdir":
                name = re.search(r"name mark-(\S+)", args)
                if name:
                    marks.setdefault(name[1], t)
            elif event == "ide_atapi_cmd_packet":
                state = re.search(r"IDEState: (\S+);", args)[1]
                commands.append((t, state, bytes.fromhex(args.split("packet:")[1].replace(" ", ""))))
            elif event == "scsi_disk_new_request":
                commands.append((t, "scsi", bytes(int(b, 16) for b in args.split("data=")[1].split())))
    return marks, commands


def identify(commands):
    """Device of each drive kind: the one that read its sector with READ(10)."""
    found = {}
    for _, device, cdb in commands:
        if len(cdb) >= 6 and cdb[0] == 0x28:
            lba = int.from_bytes(cdb[2:6], "big")
            if lba in KINDS:
                found.setdefault(KINDS[lba], device)
    return found


def speed_bytes(cdb):
    """The speed byte of a well-formed SET CD SPEED (BB 00 s s s s, zeros after), else None."""
    if len(cdb) < 6 or cdb[0] != 0xBB or cdb[1] != 0 or len(set(cdb[2:6])) != 1 or any(cdb[6:]):
        return None
    return cdb[2]


def spread(times):
    gaps = [b - a for a, b in zip(times, times[1:])]
    return f"{min(gaps):.2f}-{max(gaps):.2f} s" if gaps else "-"


class Drive:
    def __init__(self, name, device, commands, marks):
        self.name, self.marks = name, marks
        self.all = [(t, cdb) for t, d, cdb in commands if d == device]
        self.speeds = [(t, speed_bytes(cdb), cdb) for t, cdb in self.all if cdb[:1] == b"\xbb"]

    def between(self, start, end):
        return [(t, s, cdb) for t, s, cdb in self.speeds if self.marks[start] <= t < self.marks[end]]

    def install_branch(self):
        start, end = self.marks["branch-start"], self.marks["branch-end"]
        heard = [cdb for t, cdb in self.all if start <= t < end]
        if heard:
            return False, f"{len(heard)} commands during the install branch, first {heard[0].hex(' ')}"
        return True, f"no command during the install branch ({end - start:.1f} s)"

    def ticks(self):
        sent = self.between("window", "click")
        if len(sent) < 2:
            return False, f"{len(sent)} SET CD SPEED while the program ran before the click"
        bad = [cdb for _, s, cdb in sent if s != TOP or (self.name == "virtio-scsi" and len(cdb) != CDB_LENGTH)]
        if bad:
            return False, f"unexpected command block {bad[0].hex(' ')}"
        times = [t for t, _, _ in sent]
        first = times[0] - self.marks["window"]
        if first > FIRST_TICK_WITHIN:
            return False, f"first SET CD SPEED {first:.2f} s after the window"
        # A tick comes late while the program is busy (the first one, during start-up, under
        # emulation); the timer keeps its beat, so the next one may follow sooner. None comes early.
        gaps = [b - a for a, b in zip(times, times[1:])]
        late = PERIOD - gaps[0] if gaps[0] < PERIOD - SLACK else 0.0
        beat = times[1:] if late else times
        off = [g for g in gaps[1:] if abs(g - PERIOD) > SLACK] + ([gaps[0]] if gaps[0] > PERIOD + SLACK else [])
        if off or len(beat) < 3:
            return False, f"ticks {spread(times)} apart ({len(times)} ticks)"
        note = f" (the first {late:.2f} s late)" if late else ""
        return True, (f"{sent[0][2].hex(' ')} {first:.2f} s after the window{note}, then {len(times) - 1} more "
                      f"every {spread(beat)}")

    def click(self):
        before = self.between("window", "click")
        after = self.between("click", "exit")
        if not before or len(after) < 2:
            return False, f"{len(after)} SET CD SPEED between the click and the exit"
        wrong = [cdb for _, s, cdb in after if s != LOW]
        if wrong:
            return False, f"{wrong[0].hex(' ')} after the click"
        last_tick = before[-1][0]
        at_once = after[0][0]
        if at_once > last_tick + PERIOD - SLACK:
            return False, (f"first {after[0][2][:6].hex(' ')} {at_once - last_tick:.2f} s after the last tick: "
                           f"not before the next tick")
        following = [t for t, _, _ in after[1:]]
        due = [last_tick + PERIOD * (k + 1) for k in range(len(following))]
        late = [t - d for t, d in zip(following, due) if abs(t - d) > SLACK]
        if late:
            return False, f"following ticks off their 2 s beat by {late[0]:+.2f} s"
        return True, (f"{after[0][2][:6].hex(' ')} {at_once - self.marks['click']:.2f} s after the click, "
                      f"{last_tick + PERIOD - at_once:.2f} s before the next tick; then at {len(following)} ticks")

    def exit(self):
        sent = self.between("exit", "ended")
        if not sent or sent[-1][1] != TOP:
            return False, "no SET CD SPEED to the top speed between the exit click and the end of the process"
        t = sent[-1][0]
        return True, (f"{sent[-1][2][:6].hex(' ')} {t - self.marks['exit']:.2f} s after the exit click, "
                      f"{self.marks['ended'] - t:.2f} s before the process ended")


def client_verdict(line):
    """The line our own ASPI client printed for one drive (see aspi_client.cpp)."""
    if not line:
        return False, "the client printed nothing for this drive"
    if line.get("ha", -1) < 0:
        return False, f"{line['letter']}: not found with SC_HA_INQUIRY and SC_GET_DISK_INFO"
    abort = {(1, 2): "a waiting read aborted (SS_ABORTED)", (3, 1): "the read had run to its end (SS_ABORT_FAIL)"}
    address = line.get("address", -1)
    where = "no address" if address < 0 else ":".join(str(address >> s & 0xFF) for s in (24, 16, 8, 0))
    checks = [(line.get("address_match") == 1, f"the system's address {where} is not the layer's {line['ha']}:{line['target']}"),
              (line.get("type") == 5, f"type {line.get('type')}"),
              (line.get("timeout_all") == 20, f"timeout set for all read back as {line.get('timeout_all')} half seconds"),
              (line.get("timeout_set") == 60, f"timeout read back as {line.get('timeout_set')} half seconds"),
              (line.get("toc_tracks", -1) >= 1, "no TOC"),
              (line.get("read") == line.get("sectors"), f"{line.get('read')} of {line.get('sectors')} sectors read"),
              (line.get("mismatched_chunks") == 0, f"{line.get('mismatched_chunks')} reads differ from the image"),
              ((line.get("abort"), line.get("aborted_status")) in abort,
               f"abort answered {line.get('abort')}, the read's status then {line.get('aborted_status')}"),
              (line.get("rescan") == 1, "not found at its place after a rescan"),
              (line.get("reload") == 1, "no read after the library was freed with reads in flight and loaded again")]
    wrong = [text for ok, text in checks if not ok]
    if wrong:
        return False, f"{line['letter']}: " + "; ".join(wrong)
    mb = line["sectors"] * 2048 / 1e6
    rate = f"{mb / (line['ms'] / 1000):.0f} MB/s" if line["ms"] else "under 1 ms"
    numbering = "numbered as the system's ports" if line.get("port_listed") else "ranked (no port list)"
    return True, (f"{line['letter']}: at {line['ha']}:{line['target']} (system {where}, {numbering}), type 5, "
                  f"TOC {line['toc_tracks']} track(s), {line['sectors']} sectors equal to the image ({rate}), "
                  f"{abort[(line['abort'], line['aborted_status'])]}, timeouts 10 s for all and 30 s kept, "
                  f"found again after a rescan, read again after a reload with reads in flight")


def letters_by_kind(out, mapping):
    """Drive kind -> letter, from the guest's drives.txt (sr, kind) and the mapping (letter, sr)."""
    kind_names = {"ata_piix": "PIIX IDE", "ahci": "AHCI"}
    by_sr = {}
    try:
        with open(os.path.join(out, "drives.txt")) as f:
            for row in f:
                sr, kind = row.split()[:2]
                by_sr["/dev/" + sr] = kind_names.get(kind, "virtio-scsi")
    except OSError:
        pass
    return {by_sr.get(dev): letter.rstrip(":") for letter, dev in (m.split()[:2] for m in mapping) if dev in by_sr}


def main(trace, out):
    marks, commands = read_trace(trace)
    try:
        with open(os.path.join(out, "journey.json")) as f:
            facts = json.load(f)
    except (OSError, ValueError):
        facts = {"error": "the guest left no journey.json"}
    lines = []

    def report(who, case, verdict):
        ok, text = verdict
        lines.append(ok)
        print(f"{who:<12} {case:<15} {'pass' if ok else 'FAIL'}  {text}")

    if "error" in facts:
        report("journey", "guest", (False, facts["error"]))
    report("journey", "install boxes", (facts.get("install_box") is True and facts.get("restart_box") is True,
                                        "OK box, then Yes/No box; answered OK, then No"))
    report("journey", "layer installed", (facts.get("layer_installed") is True,
                                          "INSTASPI.BAT put our WNASPI32.DLL into the system folder"))
    report("journey", "mapping", (len(facts.get("mapping", [])) == 3, " ".join(facts.get("mapping", []))))
    devices = identify(commands)
    letters = letters_by_kind(out, facts.get("mapping", []))
    client = {line.get("letter"): line for line in facts.get("client", [])}
    cases = [("install branch", Drive.install_branch), ("ticks", Drive.ticks), ("meter click", Drive.click),
             ("exit button", Drive.exit)]
    for name in KINDS.values():
        if name not in devices:
            report(name, "found", (False, "the drive never read its sector: not in the trace"))
            continue
        drive = Drive(name, devices[name], commands, marks)
        for case, judge in cases:
            try:
                report(name, case, judge(drive))
            except KeyError as e:
                report(name, case, (False, f"the journey never reached mark {e}"))
        ok, text = client_verdict(client.get(letters.get(name)))
        if facts.get("client_layer_copied"):
            text += " (the layer copied into place: the journey stopped before INSTASPI.BAT)"
        report(name, "aspi client", (ok, text))
    return 0 if all(lines) else 1


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:3]))
