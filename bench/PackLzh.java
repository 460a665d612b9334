// Packs many archives in one Java process with the jlha library (Debian
// package jlha-utils), so that making a year of archives does not start the
// Java machine once per archive.  Run by bench/make_year_archives.py as
//   java -cp /usr/share/java/jlhafrontend.jar:/usr/share/java/jlha.jar bench/PackLzh.java
// in the folder holding the texts; every line of the standard input is
// "ARCHIVE<TAB>NAME": pack the file NAME of that folder as the only entry
// of ARCHIVE (-lh5-, header level 1), as "jlha c1 ARCHIVE NAME" does.
// Prints "packed ARCHIVE" for each.
import java.io.BufferedReader;
import java.io.InputStreamReader;

public class PackLzh {
  public static void main(String[] args) throws Exception {
    BufferedReader in = new BufferedReader(new InputStreamReader(System.in, "UTF-8"));
    String line;
    while ((line = in.readLine()) != null) {
      String[] job = line.split("\t");
      if (job.length != 2) throw new IllegalArgumentException("not ARCHIVE<TAB>NAME: " + line);
      new org.jlhafrontend.JLHAFrontEnd().start(new String[] {"c1", job[0], job[1]});
      System.out.println("packed " + job[0]);
    }
    System.out.flush();
  }
}
