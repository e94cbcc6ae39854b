; A stand-in for the Disk System BIOS, written for the tests: it waits for a
; disk, reads the first file of the side through the drive registers into
; work RAM, then lets the drive's timer raise one interrupt.
;
;   $0300-$0337  block 1 (disk information)
;   $0338-$0339  block 2 (file count)
;   $0340-$034F  block 3 (file header; the size at bytes 13-14)
;   $0400-...    block 4 (block code and up to 255 bytes of file data)
;   $F1          $4030 as the timer interrupt read it
;   $F2          interrupts taken
;   $F0          $A5 when everything is done

IO_ENABLE   = $4023
CONTROL     = $4025
DRIVE_STAT  = $4032
STATUS      = $4030
DATA        = $4031
TIMER_LO    = $4020
TIMER_HI    = $4021
TIMER_CTRL  = $4022

; $4025 values: bit 7 byte interrupts, bit 6 transfer, bit 2 read mode,
; bit 1 head to the start of the side.
HEAD_RESET  = $06
TRANSFER_OFF = $84
TRANSFER_ON = $C4

.segment "ZEROPAGE"
dest:   .res 2
count:  .res 1

.segment "CODE"
reset:
    sei
    cld
    ldx #$FF
    txs
    lda #0
    sta $F0
    sta $F2
    lda #$01
    sta IO_ENABLE
wait_disk:
    lda DRIVE_STAT
    and #$01
    bne wait_disk

    lda #HEAD_RESET
    sta CONTROL
    lda #<$0300
    ldx #>$0300
    ldy #56
    jsr read_block
    lda #<$0338
    ldx #>$0338
    ldy #2
    jsr read_block
    lda #<$0340
    ldx #>$0340
    ldy #16
    jsr read_block
    ldy $0340+13        ; the file size; this BIOS reads files below 255 bytes
    iny                 ; and the block code before them
    lda #<$0400
    ldx #>$0400
    jsr read_block

    ; The byte interrupts off, then one timer interrupt 4096 cycles on.
    lda #HEAD_RESET
    sta CONTROL
    lda #$00
    sta TIMER_LO
    lda #$10
    sta TIMER_HI
    lda #$02
    sta TIMER_CTRL
    cli
wait_irq:
    lda $F2
    beq wait_irq
    sei
    lda #$A5
    sta $F0
done:
    jmp done

; Starts the next block and reads Y bytes (0 = 256) to the address in A/X.
read_block:
    sta dest
    stx dest+1
    sty count
    lda #TRANSFER_OFF
    sta CONTROL
    lda #TRANSFER_ON
    sta CONTROL
    ldy #0
next_byte:
    lda STATUS
    bpl next_byte       ; bit 7: a byte is ready
    lda DATA
    sta (dest),y
    iny
    cpy count
    bne next_byte
    rts

irq:
    pha
    lda STATUS
    sta $F1
    inc $F2
    pla
    rti

nmi:
    rti

.segment "VECTORS"
    .word nmi, reset, irq
