"""Writes the seed corpus of awkward ASPI records for aspi_layer_fuzz (see its input format):
every request code, CDB lengths 0 and 17, transfers over the limit, null and foreign buffers,
adapters, targets and LUNs out of range. Usage: make_aspi_layer_corpus.py [FOLDER]"""
import os
import struct
import sys

OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                          "corpus", "aspi_layer")
OWNED = 0x1000


def record(cmd, ha=0, flags=0, target=0, lun=0, buf_len=0, buf_ptr=0, sense_len=14, cdb=b"\x00", cdb_len=None,
           dword8=None, dword10=None):
    r = bytearray(80)
    r[0], r[2], r[3], r[8], r[9] = cmd, ha, flags, target, lun
    struct.pack_into("<II", r, 12, buf_len, buf_ptr)
    r[20] = sense_len
    r[21] = len(cdb) if cdb_len is None else cdb_len
    r[48:48 + min(16, len(cdb))] = cdb[:16]
    if dword8 is not None:
        struct.pack_into("<I", r, 8, dword8)
    if dword10 is not None:
        struct.pack_into("<I", r, 10, dword10)
    return bytes(r)


def main():
    os.makedirs(OUT, exist_ok=True)
    read10 = bytes([0x28, 0, 0, 0, 0, 16, 0, 0, 2, 0])
    seeds = {f"code_{c:02x}": record(c) + b"\x00" for c in list(range(10)) + [0x27, 0xFF]}
    seeds.update({
        "exec_cdb_0": record(2, flags=0x08, cdb=read10, cdb_len=0),
        "exec_cdb_17": record(2, flags=0x08, cdb=read10, cdb_len=17),
        "exec_read_owned": record(2, flags=0x0C, buf_len=4096, buf_ptr=OWNED, cdb=read10) + b"\x00" + bytes(range(256)) * 20,
        "exec_read_over_limit": record(2, flags=0x08, buf_len=0x10001, buf_ptr=OWNED, cdb=read10),
        "exec_read_over_small_limit": record(2, flags=0x08, buf_len=0x801, buf_ptr=OWNED, cdb=read10) + b"\x01",
        "exec_read_longer_than_owned": record(2, flags=0x08, buf_len=8192, buf_ptr=OWNED, cdb=read10),
        "exec_read_foreign_buffer": record(2, flags=0x08, buf_len=2048, buf_ptr=0xDEAD0000, cdb=read10),
        "exec_read_null_buffer": record(2, flags=0x08, buf_len=2048, buf_ptr=0, cdb=read10),
        "exec_misaligned": record(2, flags=0x08, buf_len=2048, buf_ptr=OWNED + 1, cdb=read10) + b"\x02",
        "exec_write_no_direction": record(2, flags=0, buf_len=16, buf_ptr=OWNED, cdb=b"\xd8" + bytes(11)),
        "exec_both_directions": record(2, flags=0x18, buf_len=16, buf_ptr=OWNED, cdb=read10),
        "exec_check_condition_sense_255": record(2, ha=1, target=3, lun=1, flags=0x08, sense_len=255,
                                                 cdb=bytes([0xBB, 0, 52, 52, 52, 52]) + bytes(6)) + b"\xfc",
        "exec_sense_0": record(2, ha=1, target=3, lun=1, flags=0x08, sense_len=0, cdb=read10) + b"\x7c",
        "exec_gone": record(2, ha=1, target=3, lun=1, flags=0x08, cdb=read10) + b"\x20",
        "exec_ha_out_of_range": record(2, ha=2, flags=0x08, cdb=read10),
        "exec_ha_255": record(2, ha=255, flags=0x08, cdb=read10),
        "exec_target_out_of_range": record(2, target=8, flags=0x08, cdb=read10),
        "exec_lun_out_of_range": record(2, ha=1, target=3, lun=7, flags=0x08, cdb=read10),
        "exec_residual": record(2, flags=0x0C, buf_len=4096, buf_ptr=OWNED, cdb=read10) + b"\x00\x01\x02",
        "abort_null": record(3),
        "abort_some_record": record(3, dword8=0x2000),
        "abort_ha_out_of_range": record(3, ha=9, dword8=0x2000),
        "reset_ok": record(4),
        "reset_no_device": record(4, target=5),
        "reset_gone": record(4, ha=1, target=3, lun=1) + b"\x20",
        "disk_info_letter": record(6),
        "disk_info_no_letter": record(6, ha=1, target=3, lun=1),
        "disk_info_no_device": record(6, ha=1, target=3),
        "rescan_ha_out_of_range": record(7, ha=200),
        "timeouts_get": record(8, flags=0x08),
        "timeouts_set_max": record(8, flags=0x10, dword10=0xFFFFFFFF),
        "timeouts_set_zero": record(8, flags=0x10, dword10=0),
        "timeouts_no_direction": record(8, flags=0x00),
        "timeouts_no_device": record(8, flags=0x08, target=9),
        "inquiry_ha_255": record(0, ha=255),
        "inquiry_small_limit": record(0) + b"\x03",
        "devtype_lun_7": record(1, lun=7),
        "empty": b"",
        "short": b"\x02\x00",
    })
    for name, data in seeds.items():
        with open(os.path.join(OUT, name + ".bin"), "wb") as f:
            f.write(data)
    print(f"{len(seeds)} seeds in {OUT}")


if __name__ == "__main__":
    main()
