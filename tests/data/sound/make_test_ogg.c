/* Writes the short Ogg Vorbis test tunes of the sound tests: 22050 Hz stereo
 * sine tones. Build: cc make_test_ogg.c -o make_test_ogg $(pkg-config --cflags --libs vorbisenc vorbis ogg) -lm
 * Use:   ./make_test_ogg out.ogg hz seconds */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vorbis/vorbisenc.h>

static void WritePage(FILE* f, ogg_page* pg) {
    fwrite(pg->header, 1, (size_t)pg->header_len, f);
    fwrite(pg->body, 1, (size_t)pg->body_len, f);
}

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    FILE* f = fopen(argv[1], "wb");
    if (!f) return 1;
    double hz = atof(argv[2]);
    long frames = (long)(atof(argv[3]) * 22050.0);
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 2, 22050, 0.0f) != 0) return 1;
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 12345);
    ogg_packet h1, h2, h3;
    vorbis_analysis_headerout(&vd, &vc, &h1, &h2, &h3);
    ogg_stream_packetin(&os, &h1);
    ogg_stream_packetin(&os, &h2);
    ogg_stream_packetin(&os, &h3);
    ogg_page og;
    while (ogg_stream_flush(&os, &og)) WritePage(f, &og);
    long done = 0;
    int eos = 0;
    while (!eos) {
        long n = frames - done;
        if (n > 1024) n = 1024;
        if (n > 0) {
            float** buf = vorbis_analysis_buffer(&vd, (int)n);
            for (long i = 0; i < n; ++i) {
                float v = (float)(0.5 * sin(2.0 * M_PI * hz * (double)(done + i) / 22050.0));
                buf[0][i] = v;
                buf[1][i] = v;
            }
            vorbis_analysis_wrote(&vd, (int)n);
            done += n;
        } else {
            vorbis_analysis_wrote(&vd, 0);
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, NULL);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og)) {
                    WritePage(f, &og);
                    if (ogg_page_eos(&og)) eos = 1;
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    fclose(f);
    return 0;
}
